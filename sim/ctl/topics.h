/* SPDX-License-Identifier: MIT */
// The topics of sim/module ctl, one file each; every one is a thin layer over the client API.
#pragma once

#include <string>
#include <vector>

namespace sim::ctl {

using Args = std::vector<std::string>;

// Each takes the words after the topic and returns the exit status.
int platform(const std::string &verb, const Args &args); // fail, unfail, set, unset, calls, log
int kernel(const Args &args);
int service(const std::string &name, const Args &args); // start, stop, restart, status, ...
int autosuspend(const Args &args);
int nv(const Args &args);
int sms(const Args &args);
int wifi(const Args &args);
int devmem(const Args &args);
int led(const Args &args);
int strict(const Args &args); // the strict platform's seed and counts

// Prints "ctl TOPIC: text" on standard error; returns 1.
int complain(const std::string &topic, const std::string &text);
// A whole number as strtoll with base 0 reads it.
bool number(const std::string &text, long long &value);

} // namespace sim::ctl
