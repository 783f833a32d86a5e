/* SPDX-License-Identifier: MIT */
/* A C application's view of the public header: the records and the handler slot. */
#include "liborvo-kesl-sms.h"

#include <stddef.h>

kesl_sms_rx_handler c_current_handler(void) { return tmp; }

size_t c_msg_size(void) { return sizeof(kesl_sms_msg); }

size_t c_msg_index_offset(void) { return offsetof(kesl_sms_msg, msg_index); }
