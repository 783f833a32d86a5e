// SPDX-License-Identifier: MIT
// The ABI that the records shared with the kernel, peers and files are laid out for.
// A cross build for the module must produce code that runs as 32-bit ARM, where long
// and pointers take 4 bytes.
#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

TEST(TargetAbi, IsLittleEndian) {
    const uint32_t value = 0x01020304;
    unsigned char bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    EXPECT_EQ(bytes[0], 0x04);
    EXPECT_EQ(bytes[3], 0x01);
}

TEST(TargetAbi, LongIsPointerSized) {
    EXPECT_EQ(sizeof(long), sizeof(void *));
}

#if ORVO_EXPECT_ARM
TEST(TargetAbi, LongAndPointersAreFourBytes) {
    EXPECT_EQ(sizeof(long), 4u);
    EXPECT_EQ(sizeof(void *), 4u);
    EXPECT_EQ(sizeof(size_t), 4u);
    EXPECT_EQ(sizeof(int), 4u);
}

// The ARM EABI aligns 64-bit values to 8 bytes, unlike i386.
TEST(TargetAbi, SixtyFourBitValuesAreEightAligned) {
    EXPECT_EQ(alignof(long long), 8u);
    EXPECT_EQ(alignof(double), 8u);
}

// Plain char is unsigned on ARM: bytes above 0x7f do not turn negative.
TEST(TargetAbi, PlainCharIsUnsigned) {
    const char high = static_cast<char>(0xff);
    EXPECT_GT(static_cast<int>(high), 0);
    EXPECT_EQ(CHAR_MIN, 0);
}

TEST(TargetAbi, RunsAsArm) {
    struct utsname name {};
    ASSERT_EQ(uname(&name), 0);
    EXPECT_EQ(std::string(name.machine).substr(0, 3), "arm") << name.machine;
}
#endif
