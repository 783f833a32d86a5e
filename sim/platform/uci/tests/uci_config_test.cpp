// SPDX-License-Identifier: MIT
// The UCI file format: what the parser accepts, and that what it writes reads back the same.
#include "uci_config.h"
#include "uci_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string value_of(const sim::uci::Config &config, const char *section, const char *option) {
    const sim::uci::Section *s = config.find(section);
    const sim::uci::Option *o = s ? s->find(option) : nullptr;
    return o ? o->values.at(0) : "<none>";
}

TEST(UciFormat, QuotingStylesCommentsAndLists) {
    const char *text = "package test\n"
                       "# a comment\n"
                       "config sys 'main'  # trailing comment\n"
                       "\toption plain value\n"
                       "\toption single 'two words'\n"
                       "\toption double \"say \\\"hi\\\"\"\n"
                       "\toption joined 'a'\"b\"c\n"
                       "\toption hash 'not # a comment'\n"
                       "\tlist item one\n"
                       "\tlist item 'two'\n"
                       "config iface\n"
                       "\toption name first\n"
                       "config iface\n"
                       "\toption name second\n";
    sim::uci::ParseError error;
    auto config = sim::uci::parse(text, &error);
    ASSERT_TRUE(config) << error.what << " at line " << error.line;
    EXPECT_EQ(value_of(*config, "main", "plain"), "value");
    EXPECT_EQ(value_of(*config, "main", "single"), "two words");
    EXPECT_EQ(value_of(*config, "main", "double"), "say \"hi\"");
    EXPECT_EQ(value_of(*config, "main", "joined"), "abc");
    EXPECT_EQ(value_of(*config, "main", "hash"), "not # a comment");
    const sim::uci::Option *list = config->find("main")->find("item");
    ASSERT_TRUE(list && list->is_list);
    EXPECT_EQ(list->values, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(value_of(*config, "@iface[0]", "name"), "first");
    EXPECT_EQ(value_of(*config, "@iface[-1]", "name"), "second");
    EXPECT_EQ(config->find("@iface[2]"), nullptr);
    EXPECT_EQ(config->find("@sys[0]"), config->find("main"));
}

TEST(UciFormat, WrittenTextReadsBackUnchanged) {
    sim::uci::Config config;
    config.sections.push_back({"kind", "named", {{"quote", {"it's \"x\" \\ $y"}, false}}});
    config.sections.push_back(
        {"kind", "", {{"multi", {"line one\nline two"}, false}, {"l", {"a", "b c"}, true}}});
    std::string text = sim::uci::format(config);
    EXPECT_EQ(text.substr(0, 21), "\nconfig kind 'named'\n");
    auto again = sim::uci::parse(text, nullptr);
    ASSERT_TRUE(again);
    EXPECT_EQ(sim::uci::format(*again), text);
    EXPECT_EQ(value_of(*again, "named", "quote"), "it's \"x\" \\ $y");
    EXPECT_EQ(value_of(*again, "@kind[1]", "multi"), "line one\nline two");
}

TEST(UciFormat, MalformedFilesAreRefusedWithTheirLine) {
    struct Case {
        const char *text;
        int line;
    };
    for (const Case &c : {Case{"config a 'b\n\toption x y\n", 1}, Case{"option x y\n", 1},
                          Case{"config a b\n\toption x\n", 2}, Case{"config a b\n\tbogus x y\n", 2},
                          Case{"config a 'b c'\n", 1}, Case{"config a b\n\toption 'x y' z\n", 2}}) {
        sim::uci::ParseError error;
        EXPECT_FALSE(sim::uci::parse(c.text, &error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
    }
}

TEST(UciFormat, PathsAndNames) {
    EXPECT_TRUE(sim::uci::valid_config_name("orvo_uci-ro"));
    EXPECT_FALSE(sim::uci::valid_config_name("../etc"));
    EXPECT_TRUE(sim::uci::valid_section_ref("@wifi-iface[-1]") == false);
    EXPECT_TRUE(sim::uci::valid_section_ref("@wifi_iface[-1]"));
    EXPECT_FALSE(sim::uci::valid_section_ref("@x[]"));
    EXPECT_FALSE(sim::uci::valid_section_ref("a.b"));
}

// Staged changes that the store never writes (a damaged file) are skipped, so that a commit
// cannot turn the config into one that no longer reads back.
TEST(UciStore, DamagedStagedChangesAreSkipped) {
    char dir[] = "/tmp/uci-store-test.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string root = dir;
    ASSERT_EQ(mkdir((root + "/save").c_str(), 0700), 0);
    std::ofstream(root + "/c") << "config t 's'\n\toption a '1'\n";
    std::ofstream(root + "/save/c") << "section '@t[0]' t\nsection n 'bad type'\n"
                                       "set s 'bad.option' 2\nset s a 3\n";
    sim::uci::Store store(root, root + "/save");
    sim::uci::Config config;
    ASSERT_EQ(store.load("c", &config), sim::uci::Status::ok);
    EXPECT_EQ(config.sections.size(), 1u);
    EXPECT_EQ(config.find("s")->options.size(), 1u);
    EXPECT_EQ(value_of(config, "s", "a"), "3");
    EXPECT_EQ(store.commit("c"), sim::uci::Status::ok);
    ASSERT_EQ(store.load("c", &config), sim::uci::Status::ok);
    EXPECT_EQ(value_of(config, "s", "a"), "3");
    for (const char *file : {"/save/.lock", "/save", "/c"})
        remove((root + file).c_str());
    rmdir(dir);
}

} // namespace
