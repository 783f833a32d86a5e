// The UCI file format: what the parser accepts, and that what it writes reads back the same.
#include "uci_config.h"

#include <gtest/gtest.h>

namespace {

std::string value_of(const uci::Config &config, const char *section, const char *option) {
    const uci::Section *s = config.find(section);
    const uci::Option *o = s ? s->find(option) : nullptr;
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
    uci::ParseError error;
    auto config = uci::parse(text, &error);
    ASSERT_TRUE(config) << error.what << " at line " << error.line;
    EXPECT_EQ(value_of(*config, "main", "plain"), "value");
    EXPECT_EQ(value_of(*config, "main", "single"), "two words");
    EXPECT_EQ(value_of(*config, "main", "double"), "say \"hi\"");
    EXPECT_EQ(value_of(*config, "main", "joined"), "abc");
    EXPECT_EQ(value_of(*config, "main", "hash"), "not # a comment");
    const uci::Option *list = config->find("main")->find("item");
    ASSERT_TRUE(list && list->is_list);
    EXPECT_EQ(list->values, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(value_of(*config, "@iface[0]", "name"), "first");
    EXPECT_EQ(value_of(*config, "@iface[-1]", "name"), "second");
    EXPECT_EQ(config->find("@iface[2]"), nullptr);
    EXPECT_EQ(config->find("@sys[0]"), config->find("main"));
}

TEST(UciFormat, WrittenTextReadsBackUnchanged) {
    uci::Config config;
    config.sections.push_back({"kind", "named", {{"quote", {"it's \"x\" \\ $y"}, false}}});
    config.sections.push_back(
        {"kind", "", {{"multi", {"line one\nline two"}, false}, {"l", {"a", "b c"}, true}}});
    std::string text = uci::format(config);
    EXPECT_EQ(text.substr(0, 21), "\nconfig kind 'named'\n");
    auto again = uci::parse(text, nullptr);
    ASSERT_TRUE(again);
    EXPECT_EQ(uci::format(*again), text);
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
        uci::ParseError error;
        EXPECT_FALSE(uci::parse(c.text, &error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
    }
}

TEST(UciFormat, PathsAndNames) {
    EXPECT_TRUE(uci::valid_config_name("orvo_uci-ro"));
    EXPECT_FALSE(uci::valid_config_name("../etc"));
    EXPECT_TRUE(uci::valid_section_ref("@wifi-iface[-1]") == false);
    EXPECT_TRUE(uci::valid_section_ref("@wifi_iface[-1]"));
    EXPECT_FALSE(uci::valid_section_ref("@x[]"));
    EXPECT_FALSE(uci::valid_section_ref("a.b"));
}

} // namespace
