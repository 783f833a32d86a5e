// SPDX-License-Identifier: MIT
#include "param_store.h"

#include "simctl.h"

#include <cstdio>
#include <fstream>

namespace sim::nv {

std::optional<std::string> ParamStore::get(const std::string &key) const {
    auto it = values_.find(key);
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

bool ParamStore::set(const std::string &key, const std::string &value) {
    auto old = values_.find(key);
    std::optional<std::string> previous;
    if (old != values_.end())
        previous = old->second;
    values_[key] = value;
    if (save())
        return true;
    if (previous)
        values_[key] = *previous;
    else
        values_.erase(key);
    return false;
}

void ParamStore::load() {
    std::ifstream in(path_);
    std::string line;
    while (std::getline(in, line)) {
        auto tab = line.find('\t');
        if (tab != std::string::npos)
            values_[unescape(line.substr(0, tab))] = unescape(line.substr(tab + 1));
    }
}

// Written aside and renamed, so a crash never leaves half a file.
bool ParamStore::save() const {
    std::string temporary = path_ + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const auto &[key, value] : values_)
            out << escape(key) << '\t' << escape(value) << '\n';
        out.flush();
        if (!out)
            return false;
    }
    return std::rename(temporary.c_str(), path_.c_str()) == 0;
}

} // namespace sim::nv
