/* SPDX-License-Identifier: MIT */
// Helpers for the SMS tests inside a simulated module: the service's control tool, the
// calls record, scripted failures and the kernel's wake locks.
#pragma once

#include "tests/support/kit.h"

#include <string>
#include <vector>

namespace smstest {

using testkit::Output;
using testkit::run;

// A message arrives at the module (as ctl sms deliver ARGS... takes them); returns its index.
int deliver(const std::vector<std::string> &args);

// The SMS service calls received, "<call> <args>", oldest first.
std::vector<std::string> service_calls();
void clear_calls();

// Empties the service's store and outbox.
void reset_service();

void fail(const std::string &call, int code);
void unfail(const std::string &call);

bool wake_lock_held(const std::string &name);

} // namespace smstest
