// SPDX-License-Identifier: MIT
// The module's "uci" command over the shared store: get, set, delete, commit, revert,
// changes and show, with UCI's own messages and exit status 1 on failure.
#include "simctl.h"
#include "uci_store.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool g_quiet = false;

int usage() {
    std::fprintf(stderr, "Usage: uci [-q] <command> [<arguments>]\n\n"
                         "Commands:\n"
                         "\tget     <config>.<section>[.<option>]\n"
                         "\tset     <config>.<section>[.<option>]=<value>\n"
                         "\tdelete  <config>.<section>[.<option>]\n"
                         "\tcommit  [<config>]\n"
                         "\trevert  <config>\n"
                         "\tchanges [<config>]\n"
                         "\tshow    [<config>[.<section>[.<option>]]]\n");
    return 1;
}

int report(sim::uci::Status status) {
    using sim::uci::Status;
    if (status == Status::ok)
        return 0;
    const char *text = status == Status::not_found  ? "Entry not found"
                       : status == Status::invalid  ? "Invalid argument"
                       : status == Status::io_error ? "I/O error"
                                                    : "Parse error";
    if (!g_quiet)
        std::fprintf(stderr, "uci: %s\n", text);
    return 1;
}

int get(const std::string &argument) {
    sim::uci::Path path;
    if (!sim::uci::parse_path(argument, &path))
        return report(sim::uci::Status::invalid);
    std::string value;
    sim::uci::Status status = sim::uci::Store().get(path, &value);
    if (status == sim::uci::Status::ok)
        std::printf("%s\n", value.c_str());
    return report(status);
}

int set(const std::string &argument) {
    size_t equals = argument.find('=');
    sim::uci::Path path;
    if (equals == std::string::npos || !sim::uci::parse_path(argument.substr(0, equals), &path))
        return report(sim::uci::Status::invalid);
    return report(sim::uci::Store().set(path, argument.substr(equals + 1)));
}

int remove(const std::string &argument) {
    sim::uci::Path path;
    if (!sim::uci::parse_path(argument, &path))
        return report(sim::uci::Status::invalid);
    return report(sim::uci::Store().remove(path));
}

void show_section(const std::string &config, const sim::uci::Section &section, size_t position,
                  const std::string &only_option) {
    std::string name = section.name;
    if (name.empty())
        name = "@" + section.type + "[" + std::to_string(position) + "]";
    std::string prefix = config + "." + name;
    if (only_option.empty())
        std::printf("%s=%s\n", prefix.c_str(), section.type.c_str());
    for (const auto &option : section.options) {
        if (!only_option.empty() && option.name != only_option)
            continue;
        std::string values;
        for (const auto &value : option.values)
            values += (values.empty() ? "" : " ") + sim::uci::quote(value);
        std::printf("%s.%s=%s\n", prefix.c_str(), option.name.c_str(), values.c_str());
    }
}

int show(const std::string &argument) {
    sim::uci::Path path;
    if (!sim::uci::parse_path(argument, &path))
        return report(sim::uci::Status::invalid);
    sim::uci::Config config;
    sim::uci::Status status = sim::uci::Store().load(path.config, &config);
    if (status != sim::uci::Status::ok)
        return report(status);
    const sim::uci::Section *wanted = path.section.empty() ? nullptr : config.find(path.section);
    if (!path.section.empty() && (!wanted || (!path.option.empty() && !wanted->find(path.option))))
        return report(sim::uci::Status::not_found);
    std::vector<size_t> positions; // index of each section among those of its type
    for (size_t i = 0; i < config.sections.size(); ++i) {
        size_t position = 0;
        for (size_t k = 0; k < i; ++k)
            position += config.sections[k].type == config.sections[i].type;
        if (!wanted || wanted == &config.sections[i])
            show_section(path.config, config.sections[i], position, path.option);
    }
    return 0;
}

int changes(const std::vector<std::string> &configs) {
    sim::uci::Store store;
    for (const auto &config : configs) {
        std::vector<std::string> lines;
        if (sim::uci::Status status = store.changes(config, &lines); status != sim::uci::Status::ok)
            return report(status);
        for (const auto &line : lines)
            std::printf("%s\n", line.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    std::string invocation;
    for (int i = 1; i < argc; ++i)
        invocation += std::string(i > 1 ? " " : "") + argv[i];
    sim::record("uci", "%s", invocation.c_str());

    int first = 1;
    if (first < argc && std::strcmp(argv[first], "-q") == 0) {
        g_quiet = true;
        ++first;
    }
    if (first >= argc)
        return usage();
    std::string command = argv[first];
    std::vector<std::string> args(argv + first + 1, argv + argc);
    sim::uci::Store store;

    if (command == "get" && args.size() == 1)
        return get(args[0]);
    if (command == "set" && args.size() == 1)
        return set(args[0]);
    if ((command == "delete" || command == "del") && args.size() == 1)
        return remove(args[0]);
    if (command == "commit" && args.empty())
        return report(store.commit_all());
    if (command == "commit" && args.size() == 1)
        return report(store.commit(args[0]));
    if (command == "revert" && args.size() == 1)
        return report(store.revert(args[0]));
    if (command == "changes" && args.size() <= 1)
        return changes(args.empty() ? store.configs_with_changes() : args);
    if (command == "show" && args.size() == 1)
        return show(args[0]);
    if (command == "show" && args.empty()) {
        int status = 0;
        for (const auto &config : store.configs())
            status |= show(config);
        return status;
    }
    if (command == "get" || command == "set" || command == "delete" || command == "commit" ||
        command == "revert" || command == "changes" || command == "show")
        return report(sim::uci::Status::invalid);
    return usage();
}
