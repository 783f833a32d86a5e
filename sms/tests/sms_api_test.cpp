// SPDX-License-Identifier: MIT
// The SMS API's checks and its hand-over to the SMS service, through the real library and
// the simulated service.
#include "liborvo-kesl-sms.h"
#include "orvo_sms.h"
#include "simclient.h"
#include "test_support.h"
#include "tests/logger/log_capture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <pthread.h>
#include <unistd.h>

using smstest::service_calls;

namespace {

std::vector<std::string> sms_log() {
    return logcap::lines("ORVO_KESL_SMS");
}

kesl_sms_msg message(const char *number, int format, const char *text) {
    kesl_sms_msg msg{};
    strncpy(msg.number, number, sizeof msg.number - 1);
    msg.format = format;
    msg.length = static_cast<int32_t>(strlen(text));
    memcpy(msg.content, text, strlen(text));
    return msg;
}

class SmsApi : public ::testing::Test {
  protected:
    void SetUp() override {
        logcap::clear();
        smstest::clear_calls();
        smstest::reset_service();
    }

    // Opens the service client; closed again after the test.
    int open_client() {
        EXPECT_EQ(kesl_sms_client_init(&handle_), 0);
        opened_ = true;
        logcap::clear();
        smstest::clear_calls();
        return handle_;
    }

    void TearDown() override {
        if (opened_)
            kesl_sms_client_deinit(handle_);
    }

    int handle_ = 0;
    bool opened_ = false;
};

// A call refused with its log line, and the service never reached.
void expect_refused(const char *what, int result, const char *line) {
    EXPECT_EQ(result, KESL_SMS_REFUSED) << what;
    EXPECT_EQ(sms_log(), std::vector<std::string>{std::string("ORVO_KESL_SMS 1 ") + line}) << what;
    EXPECT_TRUE(service_calls().empty()) << what;
    logcap::clear();
    smstest::clear_calls();
}

TEST_F(SmsApi, RecordIsCheckedBeforeHandle) {
    kesl_sms_msg msg = message("+15550001", 0, "hi");
    kesl_sms_storage_info info{};
    orvo_smsc_address address{ORVO_SMS_TON_INTERNATIONAL, "+15550002"};

    struct Case {
        const char *name;
        std::function<int(int handle, bool with_record)> call;
    };
    const Case cases[] = {
        {"send_sms", [&](int h, bool r) { return kesl_sms_send_sms(h, r ? &msg : nullptr); }},
        {"deletefromstorage",
         [&](int h, bool r) { return kesl_sms_deletefromstorage(h, r ? &info : nullptr); }},
        {"setsmscenteraddress",
         [&](int h, bool r) { return kesl_sms_setsmscenteraddress(h, r ? &address : nullptr); }},
        {"getsmscenteraddress",
         [&](int h, bool r) { return kesl_sms_getsmscenteraddress(h, r ? &address : nullptr); }},
    };
    for (const auto &c : cases) {
        expect_refused(c.name, c.call(0, false), "input error");
        expect_refused(c.name, c.call(1234, false), "input error");
        expect_refused(c.name, c.call(0, true), "not init");
    }
    expect_refused("client_init", kesl_sms_client_init(nullptr), "input error");
    expect_refused("client_deinit", kesl_sms_client_deinit(0), "not init");
}

TEST_F(SmsApi, PduSendingIsCheckedButNeverSends) {
    expect_refused("no pdu", kesl_sms_send_smspdu(0, nullptr, 0), "input error");
    expect_refused("no length", kesl_sms_send_smspdu(0, "0011", 0), "input error");
    expect_refused("no pdu, handle", kesl_sms_send_smspdu(7, nullptr, 4), "input error");
    expect_refused("handle 0", kesl_sms_send_smspdu(0, "0011", 4), "not init");

    EXPECT_EQ(kesl_sms_send_smspdu(7, "0011000B915155", 14), 0);
    EXPECT_EQ(sms_log(), std::vector<std::string>{"ORVO_KESL_SMS 1 not support"});
    EXPECT_TRUE(service_calls().empty());
}

TEST_F(SmsApi, ClientInitHandsOutProcessIdAndPassesServiceResult) {
    int handle = 0;
    EXPECT_EQ(kesl_sms_client_init(&handle), 0);
    EXPECT_EQ(handle, getpid());
    EXPECT_EQ(h_sms, getpid());
    EXPECT_EQ(service_calls(),
              std::vector<std::string>{"orvo_sms_init " + std::to_string(getpid())});
    EXPECT_EQ(kesl_sms_client_deinit(handle), 0);
    // Closing twice: the service's own refusal comes through.
    EXPECT_EQ(kesl_sms_client_deinit(handle), -1);
    EXPECT_TRUE(sms_log().empty());

    smstest::fail("orvo_sms_init", -7);
    handle = 0;
    EXPECT_EQ(kesl_sms_client_init(&handle), -7);
    EXPECT_EQ(handle, getpid()) << "the handle is set whatever the service answers";
    smstest::unfail("orvo_sms_init");

    smstest::fail("orvo_sms_deinit", 9);
    EXPECT_EQ(kesl_sms_client_deinit(99), 9) << "any non-zero handle passes";
    smstest::unfail("orvo_sms_deinit");
}

TEST_F(SmsApi, FormatOutsideZeroToTwoIsRefused) {
    int h = open_client();
    for (int format : {3, -1, INT_MIN, INT_MAX}) {
        kesl_sms_msg msg = message("+15550001", format, "hello");
        expect_refused(std::to_string(format).c_str(), kesl_sms_send_sms(h, &msg), "input error");
    }
    EXPECT_EQ(sim::sms_outbox(), "");
}

TEST_F(SmsApi, SendPassesMessageUnchanged) {
    int h = open_client();
    for (int format : {0, 1, 2}) {
        std::string text = "text in format " + std::to_string(format);
        kesl_sms_msg msg = message("+15550001", format, text.c_str());
        EXPECT_EQ(kesl_sms_send_sms(h, &msg), 0) << format;
    }
    kesl_sms_msg full = message("0123", 0, "");
    memset(full.content, 'x', sizeof full.content);
    full.length = sizeof full.content;
    EXPECT_EQ(kesl_sms_send_sms(h, &full), 0) << "a full content field";

    EXPECT_EQ(service_calls(), (std::vector<std::string>{
                                   "orvo_send_sms +15550001 0 16", "orvo_send_sms +15550001 1 16",
                                   "orvo_send_sms +15550001 2 16", "orvo_send_sms 0123 0 1440"}));
    EXPECT_EQ(sim::sms_outbox(), "+15550001\t0\t16\ttext in format 0\n"
                                 "+15550001\t1\t16\ttext in format 1\n"
                                 "+15550001\t2\t16\ttext in format 2\n"
                                 "0123\t0\t1440\t" +
                                     std::string(1440, 'x') + "\n");
    EXPECT_TRUE(sms_log().empty());

    smstest::fail("orvo_send_sms", -12);
    EXPECT_EQ(kesl_sms_send_sms(h, &full), -12);
    smstest::unfail("orvo_send_sms");
}

TEST_F(SmsApi, SendNeverLetsServiceReadPastRecord) {
    int h = open_client();
    kesl_sms_msg msg = message("+15550001", 0, "hello");
    msg.length = sizeof msg.content + 1;
    expect_refused("length past content", kesl_sms_send_sms(h, &msg), "input error");
    msg.length = -1;
    expect_refused("negative length", kesl_sms_send_sms(h, &msg), "input error");
    msg.length = 5;
    memset(msg.number, '1', sizeof msg.number);
    expect_refused("number without terminator", kesl_sms_send_sms(h, &msg), "input error");
}

TEST_F(SmsApi, DeleteRemovesStoredMessageByIndex) {
    int h = open_client();
    int first = smstest::deliver({"+15550003", "one"});
    int second = smstest::deliver({"+15550003", "two"});
    ASSERT_GE(first, 0);
    ASSERT_NE(first, second);
    smstest::clear_calls();

    kesl_sms_storage_info info{};
    info.reserved[0] = -5; // not read by the library
    info.msg_index = first;
    EXPECT_EQ(kesl_sms_deletefromstorage(h, &info), 0);
    EXPECT_EQ(service_calls(),
              std::vector<std::string>{"orvo_delete_sms " + std::to_string(first)});
    std::string store;
    for (const auto &line : sim::sms_store())
        store += line + "\n";
    EXPECT_EQ(store.find("\tone"), std::string::npos) << store;
    EXPECT_NE(store.find("\ttwo"), std::string::npos) << store;

    EXPECT_EQ(kesl_sms_deletefromstorage(h, &info), -1) << "gone already: the service says so";
    EXPECT_TRUE(sms_log().empty());
}

TEST_F(SmsApi, ServiceCentreAddressGoesThroughService) {
    int h = open_client();
    orvo_smsc_address set{ORVO_SMS_TON_INTERNATIONAL, "+4917200001"};
    EXPECT_EQ(kesl_sms_setsmscenteraddress(h, &set), 0);
    orvo_smsc_address got{};
    EXPECT_EQ(kesl_sms_getsmscenteraddress(h, &got), 0);
    EXPECT_EQ(got.type, ORVO_SMS_TON_INTERNATIONAL);
    EXPECT_STREQ(got.address, "+4917200001");

    orvo_smsc_address bad{ORVO_SMS_TON_INTERNATIONAL, "12ab"};
    EXPECT_EQ(kesl_sms_setsmscenteraddress(h, &bad), -1);
    smstest::fail("orvo_get_smsc_address", -4);
    EXPECT_EQ(kesl_sms_getsmscenteraddress(h, &got), -4);
    smstest::unfail("orvo_get_smsc_address");
    EXPECT_EQ(sim::sms_smsc(), "145 +4917200001");
}

TEST_F(SmsApi, DatabaseStatusChecksNothing) {
    orvo_sms_database_status status{};
    // No client open: the service is asked all the same and answers for itself.
    EXPECT_EQ(kesl_sms_getDatabasestatus(0, &status), -1);
    EXPECT_EQ(service_calls(), std::vector<std::string>{"orvo_get_smsdatabase_status 0"});
    EXPECT_TRUE(sms_log().empty());

    int h = open_client();
    smstest::deliver({"+15550004", "stored"});
    EXPECT_EQ(kesl_sms_getDatabasestatus(h, &status), 0);
    EXPECT_EQ(status.used, 1);
    EXPECT_EQ(status.unread, 1);
    EXPECT_GT(status.total, status.used);
    smstest::fail("orvo_get_smsdatabase_status", 3);
    EXPECT_EQ(kesl_sms_getDatabasestatus(0, nullptr), 3);
    smstest::unfail("orvo_get_smsdatabase_status");
}

void unused_handler(kesl_sms_msg *, int *) {}

TEST_F(SmsApi, NullHandlerIsRefusedSilently) {
    kesl_sms_rx_handler before = __atomic_load_n(&tmp, __ATOMIC_ACQUIRE);
    EXPECT_EQ(kesl_sms_addrxmsghandler(nullptr), KESL_SMS_REFUSED);
    EXPECT_TRUE(sms_log().empty());
    EXPECT_EQ(__atomic_load_n(&tmp, __ATOMIC_ACQUIRE), before);
    EXPECT_TRUE(service_calls().empty()) << "no receive thread";
}

TEST_F(SmsApi, ReceiveThreadThatCannotStartIsReported) {
    // Threads of a stack size that cannot be mapped fail to start. Half the address space
    // can be mapped on 32-bit ARM, so ask for nearly all of it.
    pthread_attr_t saved, huge;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    pthread_attr_init(&huge);
    ASSERT_EQ(pthread_attr_setstacksize(&huge, SIZE_MAX & ~size_t{0xffff}), 0);
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    int result = kesl_sms_addrxmsghandler(unused_handler);
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);

    EXPECT_EQ(result, -1);
    EXPECT_EQ(sms_log(), std::vector<std::string>{
                             "ORVO_KESL_SMS 4 kesl_sms_addrxmsghandler pthread_create error!!!"});
    EXPECT_TRUE(service_calls().empty());
}

} // namespace
