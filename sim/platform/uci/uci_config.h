/* SPDX-License-Identifier: MIT */
// The UCI file format: a config file's sections and options, parsed and written back.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim::uci {

struct Option {
    std::string name;
    std::vector<std::string> values; // one for an option, any number for a list
    bool is_list = false;
};

struct Section {
    std::string type;
    std::string name; // empty for an anonymous section
    std::vector<Option> options;

    Option *find(const std::string &option);
    const Option *find(const std::string &option) const;
    void remove(const std::string &option);
};

struct Config {
    std::vector<Section> sections;

    // By name, or "@type[index]" for anonymous sections (a negative index counts from the end).
    Section *find(const std::string &section);
    const Section *find(const std::string &section) const;
    void remove(const std::string &section);
};

// Statements split into words, with quotes and escapes removed; one vector per statement.
struct Statement {
    std::vector<std::string> words;
    int line = 0;
};
struct ParseError {
    std::string what;
    int line = 0;
};
std::vector<Statement> split_statements(const std::string &text, ParseError *error);

std::optional<Config> parse(const std::string &text, ParseError *error);
std::string format(const Config &config);

// A word in single quotes, so that the tokenizer reads it back unchanged.
std::string quote(const std::string &word);

bool valid_config_name(const std::string &name);
bool valid_name(const std::string &name); // section and option names
bool valid_section_ref(const std::string &ref);

} // namespace sim::uci
