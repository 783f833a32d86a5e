/* SPDX-License-Identifier: MIT */
// One local stream channel to the autosuspend service.
#pragma once

#include <cstddef>

namespace autosuspend {

constexpr std::size_t kClientPathSize = 40;

constexpr const char *kCommandClientFormat = "/tmp/autosuspend.%d.cmd.client";
constexpr const char *kDataClientFormat = "/tmp/autosuspend.%d.data.client";
constexpr const char *kCommandServerPath = "/tmp/autosuspend.cmd.server";
constexpr const char *kDataServerPath = "/tmp/autosuspend.data.server";

// The client path of this process for one of the formats above.
void format_client_path(char (&path)[kClientPathSize], const char *format);

// Binds a new socket to client_path and connects it to server_path; fd receives the
// descriptor. Gives 0, -1 (socket or bind failed) or -3 (connect failed); on failure fd is -1.
int connect_channel(int &fd, const char *client_path, const char *server_path);

// Closes fd (when open) and sets it to -1.
void close_channel(int &fd);

} // namespace autosuspend
