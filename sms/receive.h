/* SPDX-License-Identifier: MIT */
// The receive thread and the copy of a read message into the application's record.
#pragma once

#include "liborvo-kesl-sms.h"
#include "orvo_sms.h"

namespace kesl_sms {

// What orvo_read_sms reports of one message; the integers start at -1.
struct ReadScratch {
    int status = -1;
    int format = -1;
    char timestamp[ORVO_SMS_TEXT_SIZE] = {};
    int number_type = -1;
    int length = -1;
    char text[ORVO_SMS_TEXT_SIZE] = {};
    char number[ORVO_SMS_TEXT_SIZE] = {};
    int reference = -1;
    int part_index = -1;
    int part_total = -1;
};

// Fills the record from a read message, never past a field of the record nor past a
// buffer of the scratch.
void fill_message(kesl_sms_msg &record, int index, const ReadScratch &read);

// Started with no argument by each registration; ends when the service stops announcing.
void *receive_thread(void *);

} // namespace kesl_sms
