// SPDX-License-Identifier: MIT
// The simulated service must tell exact commands from anything else on the stream, since
// tests rely on it to see stray terminators or padding.
#include "command_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using sim::autosuspend::CommandParser;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CommandParser, CommandsSplitOrJoinedByTheStream) {
    CommandParser parser;
    EXPECT_THAT(parser.feed("enabledisa", 10), ElementsAre("enable"));
    EXPECT_THAT(parser.feed("bleen", 5), ElementsAre("disable"));
    EXPECT_THAT(parser.feed("able", 4), ElementsAre("enable"));
    EXPECT_EQ(parser.rest(), "");
}

TEST(CommandParser, TerminatorsAndPaddingShowAsJunk) {
    CommandParser parser;
    EXPECT_THAT(parser.feed("enable\0\0", 8), ElementsAre("enable", "junk 00 00"));
    EXPECT_THAT(parser.feed("disable\n", 8), ElementsAre("disable", "junk 0a"));
    EXPECT_THAT(parser.feed("\x01"
                            "enab",
                            5),
                IsEmpty());
    EXPECT_EQ(parser.rest(), "junk 01 65 6e 61 62");
}

TEST(CommandParser, UnknownWordIsJunkUpToTheNextCommand) {
    CommandParser parser;
    EXPECT_THAT(parser.feed("sleepenable", 11), ElementsAre("junk 73 6c 65 65 70", "enable"));
}
