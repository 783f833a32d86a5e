// SPDX-License-Identifier: MIT
#include "uci_config.h"

#include <cctype>
#include <cstdlib>

namespace sim::uci {

namespace {

bool is_name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// "@type[index]": the type and the index, or false.
bool parse_anonymous_ref(const std::string &ref, std::string *type, long *index) {
    if (ref.size() < 4 || ref[0] != '@' || ref.back() != ']')
        return false;
    size_t open = ref.find('[');
    if (open == std::string::npos || open < 2)
        return false;
    *type = ref.substr(1, open - 1);
    std::string digits = ref.substr(open + 1, ref.size() - open - 2);
    if (!valid_name(*type) || digits.empty() || digits.size() > 9)
        return false;
    size_t start = digits[0] == '-' ? 1 : 0;
    if (start == digits.size())
        return false;
    for (size_t i = start; i < digits.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(digits[i])))
            return false;
    *index = std::strtol(digits.c_str(), nullptr, 10);
    return true;
}

template <typename SectionT, typename Sections>
SectionT *find_section(Sections &sections, const std::string &ref) {
    std::string type;
    long index = 0;
    if (!parse_anonymous_ref(ref, &type, &index)) {
        for (auto &section : sections)
            if (!section.name.empty() && section.name == ref)
                return &section;
        return nullptr;
    }
    std::vector<SectionT *> of_type;
    for (auto &section : sections)
        if (section.type == type)
            of_type.push_back(&section);
    long count = static_cast<long>(of_type.size());
    if (index < 0)
        index += count;
    return index >= 0 && index < count ? of_type[static_cast<size_t>(index)] : nullptr;
}

// Reads one word starting at text[i]; quotes may join parts ('a'"b"c is "abc").
bool read_word(const std::string &text, size_t &i, std::string &word, int &line) {
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            return true;
        if (c == '\'') {
            size_t end = text.find('\'', i + 1);
            if (end == std::string::npos)
                return false;
            for (size_t k = i + 1; k < end; ++k)
                line += text[k] == '\n';
            word.append(text, i + 1, end - i - 1);
            i = end + 1;
        } else if (c == '"') {
            ++i;
            while (i < text.size() && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                line += text[i] == '\n';
                word += text[i++];
            }
            if (i == text.size())
                return false;
            ++i;
        } else if (c == '\\' && i + 1 < text.size()) {
            word += text[i + 1];
            i += 2;
        } else {
            word += c;
            ++i;
        }
    }
    return true;
}

} // namespace

Option *Section::find(const std::string &option) {
    for (auto &candidate : options)
        if (candidate.name == option)
            return &candidate;
    return nullptr;
}

const Option *Section::find(const std::string &option) const {
    return const_cast<Section *>(this)->find(option);
}

void Section::remove(const std::string &option) {
    for (auto it = options.begin(); it != options.end(); ++it)
        if (it->name == option) {
            options.erase(it);
            return;
        }
}

Section *Config::find(const std::string &section) {
    return find_section<Section>(sections, section);
}

const Section *Config::find(const std::string &section) const {
    return find_section<const Section>(sections, section);
}

void Config::remove(const std::string &section) {
    Section *found = find(section);
    if (found)
        sections.erase(sections.begin() + (found - sections.data()));
}

std::vector<Statement> split_statements(const std::string &text, ParseError *error) {
    std::vector<Statement> statements;
    Statement current;
    int line = 1;
    size_t i = 0;
    auto end_statement = [&] {
        if (!current.words.empty())
            statements.push_back(current);
        current = Statement{};
    };
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            end_statement();
            ++line;
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else {
            if (current.words.empty())
                current.line = line;
            std::string word;
            if (!read_word(text, i, word, line)) {
                if (error)
                    *error = ParseError{"unterminated quote", line};
                return {};
            }
            current.words.push_back(word);
        }
    }
    end_statement();
    if (error)
        *error = ParseError{};
    return statements;
}

std::optional<Config> parse(const std::string &text, ParseError *error) {
    ParseError split_error;
    auto statements = split_statements(text, &split_error);
    if (!split_error.what.empty()) {
        if (error)
            *error = split_error;
        return std::nullopt;
    }
    Config config;
    Section *section = nullptr;
    for (const auto &statement : statements) {
        const auto &w = statement.words;
        auto fail = [&](const char *what) {
            if (error)
                *error = ParseError{what, statement.line};
            return std::nullopt;
        };
        if (w[0] == "package") {
            continue;
        } else if (w[0] == "config") {
            if (w.size() < 2 || w.size() > 3 || !valid_name(w[1]))
                return fail("invalid section");
            std::string name = w.size() == 3 ? w[2] : "";
            if (!name.empty() && !valid_name(name))
                return fail("invalid section name");
            // A second definition of a named section adds to the first.
            section = name.empty() ? nullptr : config.find(name);
            if (!section) {
                config.sections.push_back(Section{w[1], name, {}});
                section = &config.sections.back();
            }
        } else if (w[0] == "option" || w[0] == "list") {
            if (!section)
                return fail("option outside a section");
            if (w.size() != 3 || !valid_name(w[1]))
                return fail("invalid option");
            bool is_list = w[0] == "list";
            Option *option = section->find(w[1]);
            if (!option || !is_list || !option->is_list) {
                section->remove(w[1]);
                section->options.push_back(Option{w[1], {}, is_list});
                option = &section->options.back();
            }
            option->values.push_back(w[2]);
        } else {
            return fail("invalid command");
        }
    }
    return config;
}

std::string quote(const std::string &word) {
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string format(const Config &config) {
    std::string text;
    for (const auto &section : config.sections) {
        text += "\nconfig " + section.type;
        if (!section.name.empty())
            text += " " + quote(section.name);
        text += "\n";
        for (const auto &option : section.options)
            for (const auto &value : option.values)
                text += std::string("\t") + (option.is_list ? "list " : "option ") + option.name +
                        " " + quote(value) + "\n";
    }
    return text;
}

bool valid_config_name(const std::string &name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!is_name_char(c) && c != '-')
            return false;
    return true;
}

bool valid_name(const std::string &name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!is_name_char(c))
            return false;
    return true;
}

bool valid_section_ref(const std::string &ref) {
    std::string type;
    long index = 0;
    return valid_name(ref) || parse_anonymous_ref(ref, &type, &index);
}

} // namespace sim::uci
