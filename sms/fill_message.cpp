// SPDX-License-Identifier: MIT
#include "receive.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kesl_sms {

void fill_message(kesl_sms_msg &record, int index, const ReadScratch &read) {
    record.msg_index = index;
    record.format = read.format;

    // Cut to the field with room for the terminator, and to what the service could write.
    size_t number_length =
        std::min(strnlen(read.number, sizeof read.number), sizeof record.number - 1);
    size_t text_limit = std::min(sizeof read.text, sizeof record.content - 1);
    size_t text_length =
        read.length < 0 ? 0 : std::min(static_cast<size_t>(read.length), text_limit);

    memset(record.content, 0, sizeof record.content);
    memset(record.number, 0, sizeof record.number);
    memcpy(record.number, read.number, number_length);
    memcpy(record.content, read.text, text_length);
    record.length = static_cast<int32_t>(text_length);
    record.content[text_length] = '\0';

    // A single message keeps the part fields of the last message in several parts.
    if (read.part_total <= 1) {
        record.multipart = 0;
    } else {
        record.multipart = 1;
        record.part_index = static_cast<uint8_t>(read.part_index);
        record.part_total = static_cast<uint8_t>(read.part_total);
    }
}

} // namespace kesl_sms
