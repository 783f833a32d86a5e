// SPDX-License-Identifier: MIT
// Setting up the channels to the autosuspend service and sending commands, through the
// real library against the simulated service.
#include "liborvo-autosuspend.h"
#include "test_support.h"

#include <sys/stat.h>

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

bool is_socket(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

std::string client_path(const char *channel) {
    return "/tmp/autosuspend." + std::to_string(getpid()) + "." + channel + ".client";
}

class ServiceChannels : public ServiceTest {};

TEST_F(ServiceChannels, CommandsGoOutAsBareBytesOnOneChannel) {
    in_fresh_process([] {
        EXPECT_EQ(orvo_autosleep_enable(), 1);
        EXPECT_EQ(orvo_autosleep_enable(), 1);
        EXPECT_EQ(orvo_autosleep_disable(), 1);
        EXPECT_TRUE(is_socket(client_path("cmd")));
        EXPECT_TRUE(is_socket(client_path("data")));
        // Any terminator, padding or line end would show as junk.
        EXPECT_TRUE(eventually([] { return count(journal(), "cmd 1 disable") == 1; }));
        EXPECT_THAT(journal(), ElementsAre("cmd 1 connected", "data 2 connected", "cmd 1 enable",
                                           "cmd 1 enable", "cmd 1 disable"));
        // The reader thread logs on its own schedule.
        EXPECT_THAT(without(library_log(), "start get feedback from the service."),
                    ElementsAre("Start libautosuspend_init.",
                                "Start bind and connect to the service.",
                                "Start bind and connect to the service.", "Sending data...",
                                "Data sent: enable", "Sending data...", "Data sent: enable",
                                "Sending data...", "Data sent: disable"));
    });
}

TEST_F(ServiceChannels, AbsentServiceFailsAndTheNextCallTriesAgain) {
    service("unlisten");
    in_fresh_process([] {
        EXPECT_EQ(orvo_autosleep_enable(), -1);
        EXPECT_EQ(orvo_autosleep_disable(), -1);
        EXPECT_THAT(library_log(),
                    ElementsAre("Start libautosuspend_init.",
                                "Start bind and connect to the service.", "CONNECT ERROR ",
                                "cmd channel connect error.", "Start libautosuspend_init.",
                                "Start bind and connect to the service.", "CONNECT ERROR ",
                                "cmd channel connect error."));
        // The bound client file stays until the next attempt replaces it.
        EXPECT_TRUE(is_socket(client_path("cmd")));

        service("reset");
        EXPECT_EQ(orvo_autosleep_enable(), 1);
        EXPECT_TRUE(eventually([] { return contains(journal(), "cmd 1 enable"); }));
    });
}

TEST_F(ServiceChannels, FailedDataChannelLeavesNoDescriptorBehind) {
    // The service listens, but nobody can reach its data path.
    ASSERT_EQ(unlink("/tmp/autosuspend.data.server"), 0);
    in_fresh_process([] {
        int before = open_descriptors();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(orvo_autosleep_enable(), -1);
        EXPECT_EQ(open_descriptors(), before);
        auto log = library_log();
        EXPECT_EQ(count(log, "data channel connect error."), 3u);
        EXPECT_EQ(count(log, "cmd channel connect error."), 0u);
        EXPECT_TRUE(eventually([] { return count(journal(), "cmd 3 closed") == 1; }));

        service("reset");
        EXPECT_EQ(orvo_autosleep_disable(), 1);
        EXPECT_TRUE(eventually([] { return contains(journal(), "cmd 1 disable"); }));
    });
}

// The reader thread has connected its data channel again after the service closed it, and
// waits for a record: it logs nothing more until one comes.
bool reader_reconnected(size_t reads) {
    return count(library_log(), "start get feedback from the service.") == reads;
}

TEST_F(ServiceChannels, FailedSendBreaksTheCommandChannelForGood) {
    in_fresh_process([] {
        ASSERT_EQ(orvo_autosleep_enable(), 1);
        service("close");
        // The reader's own lines about the closed data channel and its reconnection come
        // before those counted: one read before the close, one after.
        ASSERT_TRUE(eventually([] { return reader_reconnected(2); }));
        logcap::clear();
        // The service has gone from the other end: an error, not SIGPIPE.
        EXPECT_EQ(orvo_autosleep_enable(), -1);
        EXPECT_THAT(library_log(), ElementsAre("Sending data...", "SEND ERROR ",
                                               "libautosuspend send enable cmd fail."));

        logcap::clear();
        service("reset");
        service("clear");
        ASSERT_TRUE(eventually([] { return reader_reconnected(1); }));
        logcap::clear();
        EXPECT_EQ(orvo_autosleep_disable(), -1);
        EXPECT_EQ(orvo_autosleep_enable(), -1);
        EXPECT_THAT(library_log(),
                    ElementsAre("Sending data...", "SEND ERROR ",
                                "libautosuspend send disable cmd fail.", "Sending data...",
                                "SEND ERROR ", "libautosuspend send enable cmd fail."));
        for (const auto &line : journal())
            EXPECT_EQ(line.find("cmd"), std::string::npos) << line;
    });
}

TEST_F(ServiceChannels, ConcurrentFirstCallsSetUpOnePairOfChannels) {
    in_fresh_process([] {
        std::vector<std::thread> threads;
        std::atomic<int> sent{0};
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([&sent] { sent += orvo_autosleep_enable(); });
        for (auto &thread : threads)
            thread.join();
        EXPECT_EQ(sent.load(), 8);
        EXPECT_TRUE(eventually([] { return count(journal(), "cmd 1 enable") == 8; }));
        auto lines = journal();
        EXPECT_EQ(lines.size(), 10u);
        EXPECT_EQ(count(library_log(), "Start bind and connect to the service."), 2u);
    });
}

} // namespace
