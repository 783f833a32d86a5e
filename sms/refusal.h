/* SPDX-License-Identifier: MIT */
// The two refusals every checking operation shares; both answer KESL_SMS_REFUSED.
#pragma once

namespace kesl_sms {

int refuse_input();
int refuse_not_init();

// The checks that come first in most operations: the record, then the client handle. 0 when
// both are good, else the refusal (logged) to answer with.
int refusal(const void *record, int handle);

} // namespace kesl_sms
