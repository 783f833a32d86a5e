// SPDX-License-Identifier: MIT
// The record layouts that applications and the SMS service are built against.
#include "liborvo-kesl-sms.h"

#include <cstddef>

static_assert(offsetof(kesl_sms_msg, format) == 4);
static_assert(offsetof(kesl_sms_msg, number) == 12);
static_assert(offsetof(kesl_sms_msg, length) == 12 + KESL_SMS_NUMBER_SIZE);
static_assert(offsetof(kesl_sms_msg, content) == 16 + KESL_SMS_NUMBER_SIZE);
static_assert(offsetof(kesl_sms_msg, multipart) ==
              16 + KESL_SMS_NUMBER_SIZE + KESL_SMS_CONTENT_SIZE + 21);
static_assert(offsetof(kesl_sms_msg, part_total) == offsetof(kesl_sms_msg, multipart) + 1);
static_assert(offsetof(kesl_sms_msg, part_index) == offsetof(kesl_sms_msg, multipart) + 2);
static_assert(offsetof(kesl_sms_msg, msg_index) == offsetof(kesl_sms_msg, multipart) + 11);
static_assert(sizeof(kesl_sms_msg) == 1744);
static_assert(alignof(kesl_sms_msg) == 4);

static_assert(offsetof(kesl_sms_storage_info, msg_index) == 8);
static_assert(sizeof(kesl_sms_storage_info) == 12);

// The client handle and h_sms are signed 32-bit integers.
static_assert(sizeof(int) == 4);
