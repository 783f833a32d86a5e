// SPDX-License-Identifier: MIT
// orvo-sim-sms-client: an application of the SMS API.
//   send NUMBER TEXT [FORMAT]   send a message
//   listen                      print each new message until SIGINT or SIGTERM
//   delete INDEX                delete a stored message
//   smsc [ADDRESS]              show or set the service-centre address
//   status                      the message store's use
#include "liborvo-kesl-sms.h"
#include "orvo_sms.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace {

int usage() {
    std::fprintf(stderr, "usage: orvo-sim-sms-client send NUMBER TEXT [FORMAT] | listen | "
                         "delete INDEX | smsc [ADDRESS] | status\n");
    return 2;
}

std::string printable(const char *text, int length) {
    std::string out;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n')
            out += "\\n";
        else if (c < 0x20)
            out += '?';
        else
            out += static_cast<char>(c);
    }
    return out;
}

void print_message(kesl_sms_msg *msg, int *handle) {
    std::printf("sms %d from %s format %d length %d", msg->msg_index, msg->number, msg->format,
                msg->length);
    if (msg->multipart)
        std::printf(" part %u/%u", msg->part_index, msg->part_total);
    std::printf(" handle %s: %s\n", *handle == getpid() ? "ok" : "wrong",
                printable(msg->content, msg->length).c_str());
    std::fflush(stdout);
}

int listen_for_messages() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // Blocked before the receive thread starts, so only sigwait below takes them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    int result = kesl_sms_addrxmsghandler(print_message);
    if (result != 0) {
        std::printf("addrxmsghandler: %d\n", result);
        return 1;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    int signal = 0;
    sigwait(&signals, &signal);
    return 0;
}

int smsc(int handle, int argc, char **argv) {
    orvo_smsc_address address{};
    if (argc == 0) {
        int result = kesl_sms_getsmscenteraddress(handle, &address);
        if (result == 0)
            std::printf("%d %s\n", address.type, address.address);
        return result == 0 ? 0 : 1;
    }
    address.type = argv[0][0] == '+' ? ORVO_SMS_TON_INTERNATIONAL : ORVO_SMS_TON_NATIONAL;
    std::snprintf(address.address, sizeof address.address, "%s", argv[0]);
    int result = kesl_sms_setsmscenteraddress(handle, &address);
    std::printf("setsmscenteraddress: %d\n", result);
    return result == 0 ? 0 : 1;
}

int run(int handle, const std::string &command, int argc, char **argv) {
    if (command == "send" && (argc == 2 || argc == 3)) {
        kesl_sms_msg msg{};
        std::snprintf(msg.number, sizeof msg.number, "%s", argv[0]);
        size_t length = std::min(std::strlen(argv[1]), sizeof msg.content);
        std::memcpy(msg.content, argv[1], length);
        msg.length = static_cast<int32_t>(length);
        msg.format = argc == 3 ? std::atoi(argv[2]) : 0;
        int result = kesl_sms_send_sms(handle, &msg);
        std::printf("send_sms: %d\n", result);
        return result == 0 ? 0 : 1;
    }
    if (command == "listen" && argc == 0)
        return listen_for_messages();
    if (command == "delete" && argc == 1) {
        kesl_sms_storage_info info{};
        info.msg_index = std::atoi(argv[0]);
        int result = kesl_sms_deletefromstorage(handle, &info);
        std::printf("deletefromstorage: %d\n", result);
        return result == 0 ? 0 : 1;
    }
    if (command == "smsc" && argc <= 1)
        return smsc(handle, argc, argv);
    if (command == "status" && argc == 0) {
        orvo_sms_database_status status{};
        int result = kesl_sms_getDatabasestatus(handle, &status);
        if (result == 0)
            std::printf("%d of %d used, %d unread\n", status.used, status.total, status.unread);
        return result == 0 ? 0 : 1;
    }
    return usage();
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2)
        return usage();
    int handle = 0;
    int result = kesl_sms_client_init(&handle);
    if (result != 0) {
        std::printf("client_init: %d\n", result);
        return 1;
    }
    int status = run(handle, argv[1], argc - 2, argv + 2);
    kesl_sms_client_deinit(handle);
    return status;
}
