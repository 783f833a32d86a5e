// SPDX-License-Identifier: MIT
#include "tests/support/kit.h"

#include "common/unique_fd.h"
#include <fcntl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace testkit {

pid_t spawn(const std::function<int()> &body) {
    std::fflush(stdout); // the child must not print the parent's buffered lines again
    pid_t pid = fork();
    if (pid == 0) {
        int status = body();
        std::fflush(stdout);
        _exit(status);
    }
    return pid;
}

int wait_exit(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int in_child(const std::function<int()> &body) {
    return wait_exit(spawn(body));
}

void in_fresh_process(const std::function<void()> &body) {
    int status = in_child([&] {
        body();
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    EXPECT_EQ(status, 0) << "the case failed in its process";
}

Output output_of(const std::function<int()> &body) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return {-1, ""};
    orvo::UniqueFd in(fds[0]);
    orvo::UniqueFd out(fds[1]);
    pid_t pid = spawn([&] {
        dup2(out.get(), STDOUT_FILENO);
        return body();
    });
    out.reset();
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(in.get(), buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    return {wait_exit(pid), text};
}

Output run(const std::vector<std::string> &argv) {
    return output_of([&] {
        std::vector<char *> args;
        for (const auto &arg : argv)
            args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
        return 127;
    });
}

std::string stdout_of(const std::function<void()> &action) {
    StdoutCapture capture;
    action();
    return capture.take();
}

std::string stderr_of(const std::function<void()> &action) {
    testing::internal::CaptureStderr();
    action();
    return testing::internal::GetCapturedStderr();
}

StdoutCapture::StdoutCapture() {
    testing::internal::CaptureStdout();
}

StdoutCapture::~StdoutCapture() {
    if (!taken_)
        testing::internal::GetCapturedStdout();
}

std::string StdoutCapture::take() {
    taken_ = true;
    return testing::internal::GetCapturedStdout();
}

} // namespace testkit
