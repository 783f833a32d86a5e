/* SPDX-License-Identifier: MIT */
// The NV parameters of the simulated module, kept in a file so that they outlive the
// service: one "key<TAB>value" line each, escaped as sim::escape does.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace sim::nv {

class ParamStore {
  public:
    explicit ParamStore(std::string path) : path_(std::move(path)) { load(); }

    std::optional<std::string> get(const std::string &key) const;
    // False when the file could not be written (the value is then not kept either).
    bool set(const std::string &key, const std::string &value);

  private:
    void load();
    bool save() const;

    std::string path_;
    std::map<std::string, std::string> values_;
};

} // namespace sim::nv
