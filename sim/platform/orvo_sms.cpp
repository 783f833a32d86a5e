// SPDX-License-Identifier: MIT
// liborvo-sms stand-in: a small SMS service whose store is shared by every process of the
// simulated module. Messages arrive through "sim/module ctl sms deliver"; sent ones go to
// the outbox. Each call is recorded and can be made to fail; while the service is stopped
// (sim/module ctl sms stop) every call fails and waits end.
#include "orvo_sms.h"
#include "common/export.h"
#include "simctl.h"
#include "sms_client.h"
#include "sms_store.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#define EXPORT extern "C" ORVO_EXPORT

static_assert(sizeof(orvo_smsc_address) == sizeof(int) + ORVO_SMSC_ADDRESS_SIZE);
static_assert(sizeof(orvo_sms_database_status) == 3 * sizeof(int));

namespace {

constexpr int kError = -1;
constexpr int kMaxSendLength = 1440;
constexpr int kLastFormat = ORVO_SMS_FORMAT_UCS2;

void copy_text(char *buffer, const std::string &text) {
    size_t n = std::min(text.size(), static_cast<size_t>(ORVO_SMS_TEXT_SIZE - 1));
    memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

bool valid_address(int type, const char *address, size_t size) {
    size_t length = strnlen(address, size);
    if (length == 0 || length == size)
        return false;
    if (type != ORVO_SMS_TON_NATIONAL && type != ORVO_SMS_TON_INTERNATIONAL)
        return false;
    const char *digits = address;
    if (type == ORVO_SMS_TON_INTERNATIONAL && *digits++ != '+')
        return false;
    return *digits != '\0' && std::all_of(digits, address + length, [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

} // namespace

EXPORT int orvo_sms_init(int pid) {
    sim::record("liborvo-sms", "orvo_sms_init %d", pid);
    if (int code = sim::fail_code("orvo_sms_init"))
        return code;
    return sim::sms::open_client() ? 0 : kError;
}

EXPORT int orvo_sms_deinit(void) {
    sim::record("liborvo-sms", "orvo_sms_deinit");
    if (int code = sim::fail_code("orvo_sms_deinit"))
        return code;
    if (!sim::sms::client_open())
        return kError;
    sim::sms::close_client();
    return 0;
}

EXPORT int orvo_send_sms(const char *number, int format, const char *content, int length) {
    sim::record("liborvo-sms", "orvo_send_sms %.300s %d %d", number ? number : "(null)", format,
                length);
    if (int code = sim::fail_code("orvo_send_sms"))
        return code;
    if (!sim::sms::client_ready() || number == nullptr || number[0] == '\0')
        return kError;
    if (format < 0 || format > kLastFormat || length < 0 || length > kMaxSendLength)
        return kError;
    if (content == nullptr && length > 0)
        return kError;
    std::string text = length > 0 ? std::string(content, static_cast<size_t>(length)) : "";
    return sim::sms::append_outbox(number, format, text) ? 0 : kError;
}

EXPORT int orvo_delete_sms(int index) {
    sim::record("liborvo-sms", "orvo_delete_sms %d", index);
    if (int code = sim::fail_code("orvo_delete_sms"))
        return code;
    if (!sim::sms::client_ready())
        return kError;
    return sim::sms::erase(index) ? 0 : kError;
}

EXPORT int orvo_set_smsc_address(const orvo_smsc_address *address) {
    if (address == nullptr) {
        sim::record("liborvo-sms", "orvo_set_smsc_address (null)");
        return kError;
    }
    sim::record("liborvo-sms", "orvo_set_smsc_address %d %.*s", address->type,
                ORVO_SMSC_ADDRESS_SIZE, address->address);
    if (int code = sim::fail_code("orvo_set_smsc_address"))
        return code;
    if (!sim::sms::client_ready() ||
        !valid_address(address->type, address->address, sizeof address->address))
        return kError;
    return sim::sms::save_smsc(address->type, address->address) ? 0 : kError;
}

EXPORT int orvo_get_smsc_address(orvo_smsc_address *address) {
    sim::record("liborvo-sms", "orvo_get_smsc_address");
    if (int code = sim::fail_code("orvo_get_smsc_address"))
        return code;
    if (!sim::sms::client_ready() || address == nullptr)
        return kError;
    auto [type, number] = sim::sms::load_smsc();
    memset(address, 0, sizeof *address);
    address->type = type;
    strncpy(address->address, number.c_str(), sizeof address->address - 1);
    return 0;
}

EXPORT int orvo_get_smsdatabase_status(int client, orvo_sms_database_status *status) {
    sim::record("liborvo-sms", "orvo_get_smsdatabase_status %d", client);
    if (int code = sim::fail_code("orvo_get_smsdatabase_status"))
        return code;
    if (!sim::sms::client_ready() || status == nullptr)
        return kError;
    auto indexes = sim::sms::stored_indexes();
    status->total = sim::sms::kCapacity;
    status->used = static_cast<int>(indexes.size());
    status->unread = static_cast<int>(std::count_if(indexes.begin(), indexes.end(), [](int i) {
        auto message = sim::sms::load(i);
        return message && message->status == 0;
    }));
    return 0;
}

EXPORT int orvo_wait_receive_new_sms(int *index) {
    sim::record("liborvo-sms", "orvo_wait_receive_new_sms");
    if (int code = sim::fail_code("orvo_wait_receive_new_sms"))
        return code;
    if (index == nullptr || !sim::sms::client_ready())
        return kError;
    return sim::sms::wait_arrival(index) ? 0 : kError;
}

EXPORT int orvo_read_sms(int index, int *status, int *format, char *timestamp, int *number_type,
                         int *length, char *text, char *number, int *reference, int *part_index,
                         int *part_total) {
    sim::record("liborvo-sms", "orvo_read_sms %d", index);
    if (int code = sim::fail_code("orvo_read_sms"))
        return code;
    if (!sim::sms::client_ready() || !status || !format || !timestamp || !number_type || !length ||
        !text || !number || !reference || !part_index || !part_total)
        return kError;
    auto message = sim::sms::load(index);
    if (!message)
        return kError;
    *status = message->status;
    *format = message->format;
    copy_text(timestamp, message->timestamp);
    *number_type = message->sender.compare(0, 1, "+") == 0 ? ORVO_SMS_TON_INTERNATIONAL
                                                           : ORVO_SMS_TON_NATIONAL;
    // The reported length is the message's; the buffer gets what fits.
    *length = message->length;
    size_t copied = std::min(message->text.size(), static_cast<size_t>(ORVO_SMS_TEXT_SIZE));
    memcpy(text, message->text.data(), copied);
    if (copied < ORVO_SMS_TEXT_SIZE)
        text[copied] = '\0';
    copy_text(number, message->sender);
    *reference = message->reference;
    *part_index = message->part_index;
    *part_total = message->part_total;
    message->status = 1;
    sim::sms::save(index, *message);
    return 0;
}
