// SPDX-License-Identifier: MIT
// Whatever the SMS service reports of a message, through the library's fill of the
// application's record: several messages in turn into one record, as a receive thread
// does. Each field stays inside the record, terminated, and holds what was reported.
#include "receive.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

using kesl_sms::ReadScratch;

// Four integers, then the sender and text bytes: as much of each buffer as the input has.
size_t take_scratch(const uint8_t *data, size_t size, ReadScratch &read) {
    size_t at = 0;
    for (int *field : {&read.format, &read.length, &read.part_index, &read.part_total}) {
        if (size - at < sizeof(int))
            return size;
        memcpy(field, data + at, sizeof(int));
        at += sizeof(int);
    }
    // A length byte says how much of the input goes to the sender, the rest to the text.
    if (at == size)
        return size;
    size_t number_bytes = data[at++] % (sizeof read.number + 1);
    number_bytes = number_bytes < size - at ? number_bytes : size - at;
    memcpy(read.number, data + at, number_bytes);
    at += number_bytes;
    size_t text_bytes = size - at < 300 ? size - at : 300;
    memcpy(read.text, data + at, text_bytes);
    return at + text_bytes;
}

void check(const kesl_sms_msg &record, const kesl_sms_msg &before, const ReadScratch &read,
           int index) {
    if (record.msg_index != index || record.format != read.format)
        abort();
    size_t number = strnlen(record.number, sizeof record.number);
    if (number >= sizeof record.number || memcmp(record.number, read.number, number) != 0)
        abort();
    if (number < sizeof record.number - 1 && number < sizeof read.number &&
        read.number[number] != '\0')
        abort(); // cut before the sender ended, with room left
    size_t wanted = read.length < 0 ? 0 : static_cast<size_t>(read.length);
    if (wanted > sizeof read.text)
        wanted = sizeof read.text;
    if (record.length < 0 || static_cast<size_t>(record.length) != wanted ||
        record.content[record.length] != '\0' || memcmp(record.content, read.text, wanted) != 0)
        abort();
    if (read.part_total <= 1) {
        if (record.multipart != 0 || record.part_index != before.part_index ||
            record.part_total != before.part_total)
            abort();
    } else if (record.multipart != 1 ||
               record.part_index != static_cast<uint8_t>(read.part_index) ||
               record.part_total != static_cast<uint8_t>(read.part_total)) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    kesl_sms_msg record{};
    size_t at = 0;
    for (int index = 0; at < size; ++index) {
        ReadScratch read;
        at += take_scratch(data + at, size - at, read);
        kesl_sms_msg before = record;
        kesl_sms::fill_message(record, index, read);
        check(record, before, read, index);
    }
    return 0;
}
