#include "simctl.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

bool active() {
    struct stat st {};
    return stat(kControlDir, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string path(const std::string &relative) { return std::string(kControlDir) + "/" + relative; }

int fail_code(const char *call) {
    if (!active())
        return 0;
    auto text = read_file(path(std::string("fail/") + call));
    if (!text)
        return 0;
    return static_cast<int>(std::strtol(text->c_str(), nullptr, 0));
}

void record(const char *who, const char *format, ...) {
    if (!active())
        return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    append_line(path("calls"), std::string(who) + " " + text);
}

std::optional<std::string> read_file(const std::string &file) {
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
}

bool write_file(const std::string &file, const std::string &text) {
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}

// One write per line with O_APPEND, so lines of concurrent processes never interleave.
bool append_line(const std::string &file, const std::string &line) {
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::string text = line + "\n";
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}

} // namespace sim
