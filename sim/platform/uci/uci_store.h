/* SPDX-License-Identifier: MIT */
// The UCI store: config files with changes staged beside them until a commit, shared by
// the uci command and liborvo-uci. Changes of concurrent processes are serialised by a lock.
#pragma once

#include "uci_config.h"

#include <string>
#include <vector>

namespace sim::uci {

enum class Status { ok, not_found, invalid, io_error, parse_error };

// "config", "config.section" or "config.section.option".
struct Path {
    std::string config;
    std::string section;
    std::string option;
};
bool parse_path(const std::string &text, Path *path);

class Store {
  public:
    Store(std::string config_dir = "/etc/config", std::string save_dir = "/tmp/.uci");

    // The value of an option (list values joined by spaces) or the type of a section,
    // with staged changes applied.
    Status get(const Path &path, std::string *value);
    // Stages an option's value or, without an option, a section of that type.
    // An empty option value stages its removal.
    Status set(const Path &path, const std::string &value);
    Status remove(const Path &path);
    Status commit(const std::string &config);
    Status commit_all();
    Status revert(const std::string &config);
    // The staged changes, one "config.section.option='value'" line each.
    Status changes(const std::string &config, std::vector<std::string> *lines);
    // The config with changes applied.
    Status load(const std::string &config, Config *out);
    std::vector<std::string> configs();
    std::vector<std::string> configs_with_changes();

  private:
    std::string config_file(const std::string &config) const;
    std::string delta_file(const std::string &config) const;
    Status read_config(const std::string &config, Config *out);
    Status stage(const Path &path, const std::vector<std::string> &change);

    std::string config_dir_;
    std::string save_dir_;
};

} // namespace sim::uci
