/* SPDX-License-Identifier: MIT */
// A shell command's output read through popen, closed with pclose when it goes out of scope.
#pragma once

#include <cstdio>

namespace orvo {

class PipeStream {
  public:
    // Starts command for reading ("r"); the stream is close-on-exec.
    explicit PipeStream(const char *command) : stream_(popen(command, "re")) {}
    ~PipeStream() {
        if (stream_ != nullptr)
            pclose(stream_);
    }
    PipeStream(const PipeStream &) = delete;
    PipeStream &operator=(const PipeStream &) = delete;

    FILE *get() const { return stream_; }
    explicit operator bool() const { return stream_ != nullptr; }

  private:
    FILE *stream_;
};

} // namespace orvo
