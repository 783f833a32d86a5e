// SPDX-License-Identifier: MIT
// Arbitrary contents of the lock-table file: the library reads them into its image without
// reading past a name field, registers and clears a slot without disturbing the others, and
// the console lists them. Runs inside a simulated module (its own /tmp).
#include "console.h"
#include "liborvo-kesl-autosuspend.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr const char *kName = "fuzz-owner";

void check(bool ok) {
    if (!ok)
        abort();
}

void write_table(const uint8_t *data, size_t size) {
    int fd = open(KESL_LOCK_TABLE_PATH, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    check(fd >= 0);
    check(write(fd, data, size) == static_cast<ssize_t>(size));
    close(fd);
}

kesl_lock_table read_table() {
    kesl_lock_table table{};
    int fd = open(KESL_LOCK_TABLE_PATH, O_RDONLY);
    check(fd >= 0);
    check(read(fd, &table, sizeof table) == static_cast<ssize_t>(sizeof table));
    close(fd);
    return table;
}

// The image is the file's first 8704 bytes (zeros past a short file), each name ending by
// byte 63 of its field.
kesl_lock_table expected_image(const uint8_t *data, size_t size) {
    kesl_lock_table image{};
    memcpy(&image, data, std::min(size, sizeof image));
    for (auto &name : image.lock_name)
        name[KESL_LOCK_NAME_SIZE - 1] = '\0';
    return image;
}

bool same_except(const kesl_lock_table &a, const kesl_lock_table &b, int slot) {
    for (int i = 0; i < KESL_LOCK_MAX; ++i) {
        if (i == slot)
            continue;
        if (memcmp(a.lock_name[i], b.lock_name[i], KESL_LOCK_NAME_SIZE) != 0 ||
            a.lock_pid[i] != b.lock_pid[i])
            return false;
    }
    return true;
}

void check_registration(const kesl_lock_table &before) {
    int slot = add_lock(kName);
    check(slot == -4 || slot == -5 || (slot >= 0 && slot < KESL_LOCK_MAX));
    if (slot == -4) {
        for (const auto &name : before.lock_name)
            check(name[0] != '\0');
        return;
    }
    if (slot < 0)
        return;
    kesl_lock_table after = read_table();
    check(strcmp(after.lock_name[slot], kName) == 0);
    check(after.lock_pid[slot] == static_cast<int32_t>(getpid()));
    check(same_except(before, after, slot));

    check(delete_lock(slot) == 0);
    after = read_table();
    static const char zeros[KESL_LOCK_NAME_SIZE] = {};
    check(memcmp(after.lock_name[slot], zeros, sizeof zeros) == 0);
    check(after.lock_pid[slot] == -1);
    check(same_except(before, after, slot));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    write_table(data, size);
    // An empty file is taken for one just created and gets its zeros.
    check(read_lock_table() == 0);
    kesl_lock_table expected = expected_image(data, size);
    check(memcmp(&lock_status, &expected, sizeof expected) == 0);
    check(pm_console::list_lock_table() == 0);
    check_registration(expected);
    return 0;
}
