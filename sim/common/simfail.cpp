// SPDX-License-Identifier: MIT
#include "simfail.h"

#include "common/guards.h"
#include "common/io.h"
#include "common/unique_fd.h"
#include "simctl.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every change of a script file happens under this lock, so a count-down, a new script and
// the end of one never overlap.
orvo::UniqueFd lock_file() {
    return orvo::open_fd(sim::path("fail/.lock").c_str(), O_RDWR | O_CREAT, 0644);
}

std::string script_path(const char *call) {
    return sim::path(std::string("fail/") + call);
}

bool valid_call(const char *call) {
    return call && *call && *call != '.' && std::string(call).find('/') == std::string::npos;
}

bool read_text(int fd, char *text, size_t size) {
    ssize_t n = pread(fd, text, size - 1, 0);
    if (n < 0)
        return false;
    text[n] = '\0';
    return true;
}

// The script as text: "CODE" or "CODE COUNT".
std::string format(const orvo_sim_script &script) {
    std::string text = std::to_string(script.code);
    if (script.count > 0)
        text += " " + std::to_string(script.count);
    return text + "\n";
}

bool write_script(int fd, const orvo_sim_script &script) {
    std::string text = format(script);
    return ftruncate(fd, 0) == 0 &&
           pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
}

} // namespace

extern "C" int orvo_sim_script_parse(const char *text, orvo_sim_script *script) {
    if (!text || !script)
        return -1;
    char *end = nullptr;
    errno = 0;
    long code = std::strtol(text, &end, 0);
    if (end == text || errno != 0 || code < -2147483647L - 1 || code > 2147483647L)
        return -1;
    const char *rest = end;
    long count = std::strtol(rest, &end, 0);
    if (end == rest) {
        count = -1;
    } else if (errno != 0 || count <= 0 || count > 2147483647L) {
        return -1;
    }
    for (; *end; ++end) {
        if (*end != ' ' && *end != '\t' && *end != '\n')
            return -1;
    }
    script->code = static_cast<int>(code);
    script->count = static_cast<int>(count);
    return 0;
}

extern "C" int orvo_sim_script_take(orvo_sim_script *script) {
    if (script->count == 0)
        return 0;
    if (script->count > 0)
        --script->count;
    return script->code;
}

extern "C" int orvo_sim_fail(const char *call) {
    if (!valid_call(call))
        return 0;
    int saved = errno;
    std::string file = script_path(call);
    int code = 0;
    // Most calls have no script: only one of them pays for the lock.
    if (access(file.c_str(), F_OK) == 0) {
        orvo::UniqueFd lock = lock_file();
        orvo::FileLock guard(lock.get());
        orvo::UniqueFd fd = orvo::open_fd(file.c_str(), O_RDWR);
        char text[64];
        orvo_sim_script script{};
        if (fd && read_text(fd.get(), text, sizeof text) &&
            orvo_sim_script_parse(text, &script) == 0) {
            code = orvo_sim_script_take(&script);
            if (script.count == 0)
                unlink(file.c_str());
            else if (script.count > 0 && !write_script(fd.get(), script))
                unlink(file.c_str());
        }
    }
    errno = saved;
    return code;
}

extern "C" int orvo_sim_fail_set(const char *call, int code, int count) {
    if (!valid_call(call) || count == 0 || !sim::active()) {
        errno = EINVAL;
        return -1;
    }
    mkdir(sim::path("fail").c_str(), 0755);
    orvo::UniqueFd lock = lock_file();
    orvo::FileLock guard(lock.get());
    orvo_sim_script script{code, count < 0 ? -1 : count};
    return sim::replace_file(script_path(call), format(script)) ? 0 : -1;
}

extern "C" int orvo_sim_fail_clear(const char *call) {
    if (!valid_call(call)) {
        errno = EINVAL;
        return -1;
    }
    orvo::UniqueFd lock = lock_file();
    orvo::FileLock guard(lock.get());
    return unlink(script_path(call).c_str()) == 0 || errno == ENOENT ? 0 : -1;
}

extern "C" int orvo_sim_setting(const char *name, long *value) {
    if (!valid_call(name))
        return 0;
    int saved = errno;
    auto text = sim::read_file(sim::path(std::string("settings/") + name));
    errno = saved;
    if (!text)
        return 0;
    char *end = nullptr;
    long parsed = std::strtol(text->c_str(), &end, 0);
    if (end == text->c_str())
        return 0;
    *value = parsed;
    return 1;
}
