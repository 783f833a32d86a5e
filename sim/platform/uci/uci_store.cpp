// SPDX-License-Identifier: MIT
// readdir of a 32-bit build: 64-bit directory offsets, as the host's file systems give them.
#define _FILE_OFFSET_BITS 64
#include "uci_store.h"

#include "common/guards.h"
#include "common/io.h"
#include "common/unique_fd.h"
#include "orvo_uci.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim::uci {

namespace {

// Held across each operation: shared for readers, exclusive for writers.
class StoreLock {
  public:
    StoreLock(const std::string &save_dir, bool exclusive)
        : fd_(orvo::open_fd((save_dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW, 0600)),
          lock_(fd_.get(),
                exclusive ? orvo::FileLock::Mode::exclusive : orvo::FileLock::Mode::shared) {}
    bool locked() const { return lock_.locked(); }

  private:
    orvo::UniqueFd fd_;
    orvo::FileLock lock_;
};

bool ensure_save_dir(const std::string &dir);

// Runs body with the store's lock held; an I/O error when the lock cannot be had.
template <typename Body> Status under_lock(const std::string &save_dir, bool exclusive, Body body) {
    if (!ensure_save_dir(save_dir))
        return Status::io_error;
    StoreLock lock(save_dir, exclusive);
    if (!lock.locked())
        return Status::io_error;
    return body();
}

enum class Read { ok, missing, failed };

Read read_file(const std::string &file, std::string *text) {
    orvo::UniqueFd fd = orvo::open_fd(file.c_str(), O_RDONLY | O_NOFOLLOW);
    if (!fd)
        return errno == ENOENT ? Read::missing : Read::failed;
    text->clear();
    char buf[4096];
    ssize_t n;
    while ((n = orvo::read_all(fd.get(), buf, sizeof buf)) > 0)
        text->append(buf, static_cast<size_t>(n));
    return n < 0 ? Read::failed : Read::ok;
}

// Written beside the file and renamed over it, so readers see the old or the new text.
bool replace_file(const std::string &file, const std::string &text) {
    std::string temporary = file + ".new-" + std::to_string(getpid());
    unlink(temporary.c_str());
    orvo::UniqueFd fd =
        orvo::open_fd(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
    if (!fd)
        return false;
    if (orvo::write_all(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        unlink(temporary.c_str());
        return false;
    }
    if (fsync(fd.get()) != 0 || rename(temporary.c_str(), file.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool ensure_save_dir(const std::string &dir) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Only changes that the store itself would stage: one with a bad name (a damaged file)
// would be committed into a config that no longer reads back.
bool valid_change(const std::vector<std::string> &w) {
    if (w[0] == "section")
        return w.size() == 3 && valid_name(w[1]) && valid_name(w[2]);
    if (w[0] == "set")
        return w.size() == 4 && valid_section_ref(w[1]) && valid_name(w[2]);
    if (w[0] == "delete")
        return (w.size() == 2 || (w.size() == 3 && valid_name(w[2]))) && valid_section_ref(w[1]);
    return false;
}

void apply(Config &config, const Statement &change) {
    const auto &w = change.words;
    if (!valid_change(w))
        return;
    if (w[0] == "section") {
        if (Section *section = config.find(w[1]))
            section->type = w[2];
        else
            config.sections.push_back(Section{w[2], w[1], {}});
    } else if (w[0] == "set") {
        Section *section = config.find(w[1]);
        if (!section)
            return;
        Option *option = section->find(w[2]);
        if (!option) {
            section->options.push_back(Option{w[2], {}, false});
            option = &section->options.back();
        }
        option->values = {w[3]};
        option->is_list = false;
    } else if (w.size() == 2) {
        config.remove(w[1]);
    } else {
        if (Section *section = config.find(w[1]))
            section->remove(w[2]);
    }
}

std::string join(const std::vector<std::string> &values) {
    std::string text;
    for (const auto &value : values)
        text += (text.empty() ? "" : " ") + value;
    return text;
}

} // namespace

bool parse_path(const std::string &text, Path *path) {
    *path = Path{};
    size_t first = text.find('.');
    path->config = text.substr(0, first);
    if (first != std::string::npos) {
        size_t second = text.find('.', first + 1);
        path->section = text.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                           : second - first - 1);
        if (second != std::string::npos) {
            path->option = text.substr(second + 1);
            if (!valid_name(path->option))
                return false;
        }
        if (!valid_section_ref(path->section))
            return false;
    }
    return valid_config_name(path->config);
}

Store::Store(std::string config_dir, std::string save_dir)
    : config_dir_(std::move(config_dir)), save_dir_(std::move(save_dir)) {}

std::string Store::config_file(const std::string &config) const {
    return config_dir_ + "/" + config;
}

std::string Store::delta_file(const std::string &config) const {
    return save_dir_ + "/" + config;
}

Status Store::read_config(const std::string &config, Config *out) {
    std::string text;
    Read result = read_file(config_file(config), &text);
    if (result != Read::ok)
        return result == Read::missing ? Status::not_found : Status::io_error;
    auto parsed = parse(text, nullptr);
    if (!parsed)
        return Status::parse_error;
    std::string delta;
    result = read_file(delta_file(config), &delta);
    if (result == Read::failed)
        return Status::io_error;
    if (result == Read::ok)
        for (const auto &change : split_statements(delta, nullptr))
            apply(*parsed, change);
    *out = std::move(*parsed);
    return Status::ok;
}

Status Store::load(const std::string &config, Config *out) {
    if (!valid_config_name(config))
        return Status::invalid;
    return under_lock(save_dir_, false, [&] { return read_config(config, out); });
}

Status Store::get(const Path &path, std::string *value) {
    if (path.section.empty())
        return Status::invalid;
    Config config;
    Status status = load(path.config, &config);
    if (status != Status::ok)
        return status;
    const Section *section = config.find(path.section);
    if (!section)
        return Status::not_found;
    if (path.option.empty()) {
        *value = section->type;
        return Status::ok;
    }
    const Option *option = section->find(path.option);
    if (!option)
        return Status::not_found;
    *value = join(option->values);
    return Status::ok;
}

Status Store::stage(const Path &path, const std::vector<std::string> &change) {
    return under_lock(save_dir_, true, [&] {
        Config config;
        Status status = read_config(path.config, &config);
        if (status != Status::ok)
            return status;
        // Options need their section; a section of its own may be created.
        bool creates_section = change[0] == "section";
        if (!creates_section && !config.find(path.section))
            return Status::not_found;
        if (change[0] == "delete" && !path.option.empty() &&
            !config.find(path.section)->find(path.option))
            return Status::not_found;
        std::string delta;
        if (read_file(delta_file(path.config), &delta) == Read::failed)
            return Status::io_error;
        std::string line;
        for (const auto &word : change)
            line += (line.empty() ? "" : " ") + quote(word);
        return replace_file(delta_file(path.config), delta + line + "\n") ? Status::ok
                                                                          : Status::io_error;
    });
}

Status Store::set(const Path &path, const std::string &value) {
    if (path.section.empty() || value.size() > ORVO_UCI_VALUE_MAX)
        return Status::invalid;
    if (path.option.empty()) {
        // A new section needs a plain name and a valid type.
        if (!valid_name(path.section) || !valid_name(value))
            return Status::invalid;
        return stage(path, {"section", path.section, value});
    }
    if (value.empty())
        return remove(path);
    return stage(path, {"set", path.section, path.option, value});
}

Status Store::remove(const Path &path) {
    if (path.section.empty())
        return Status::invalid;
    if (path.option.empty())
        return stage(path, {"delete", path.section});
    return stage(path, {"delete", path.section, path.option});
}

Status Store::commit(const std::string &config) {
    if (!valid_config_name(config))
        return Status::invalid;
    return under_lock(save_dir_, true, [&] {
        if (access(delta_file(config).c_str(), F_OK) != 0)
            return access(config_file(config).c_str(), F_OK) == 0 ? Status::ok : Status::not_found;
        Config merged;
        Status status = read_config(config, &merged);
        if (status != Status::ok)
            return status;
        if (!replace_file(config_file(config), format(merged)))
            return Status::io_error;
        unlink(delta_file(config).c_str());
        return Status::ok;
    });
}

// The config names in a folder, sorted.
static std::vector<std::string> config_names(const std::string &folder) {
    std::vector<std::string> names;
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (valid_config_name(name))
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Store::configs() {
    return config_names(config_dir_);
}

std::vector<std::string> Store::configs_with_changes() {
    return config_names(save_dir_);
}

Status Store::commit_all() {
    Status result = Status::ok;
    for (const auto &config : configs_with_changes()) {
        Status status = commit(config);
        if (status != Status::ok)
            result = status;
    }
    return result;
}

Status Store::revert(const std::string &config) {
    if (!valid_config_name(config))
        return Status::invalid;
    return under_lock(save_dir_, true, [&] {
        if (unlink(delta_file(config).c_str()) != 0 && errno != ENOENT)
            return Status::io_error;
        return Status::ok;
    });
}

Status Store::changes(const std::string &config, std::vector<std::string> *lines) {
    if (!valid_config_name(config))
        return Status::invalid;
    std::string delta;
    Read result = read_file(delta_file(config), &delta);
    if (result == Read::failed)
        return Status::io_error;
    for (const auto &change : split_statements(delta, nullptr)) {
        const auto &w = change.words;
        if (w.size() < 2)
            continue;
        std::string path = config + "." + w[1];
        if (w[0] == "section" && w.size() == 3)
            lines->push_back(path + "=" + w[2]);
        else if (w[0] == "set" && w.size() == 4)
            lines->push_back(path + "." + w[2] + "=" + quote(w[3]));
        else if (w[0] == "delete")
            lines->push_back("-" + path + (w.size() == 3 ? "." + w[2] : ""));
    }
    return Status::ok;
}

} // namespace sim::uci
