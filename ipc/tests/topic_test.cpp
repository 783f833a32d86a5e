// SPDX-License-Identifier: MIT
// Topics start above the built-in identifiers: 6 is the first, 5 (publish) is none.
#include "peer.h"

using namespace ipctest;

TEST(Topics, SixIsTheFirstTopicAndFiveIsRefused) {
    Pipe hub_ready;
    pid_t hub = spawn([&] { return run_peer("telecom-server", hub_ready); });
    ASSERT_EQ(hub_ready.get(), 5470);

    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    Recorder seen;
    qx_ipc_event evs[] = {seen.event(kPublishId, 1, 1), seen.event(6, 2, 1)};
    ASSERT_EQ(qx_ipc_register_events(evs, 2), 0);
    send_to(5470, kSubscribeId, kPublishId);
    send_to(5470, kSubscribeId, 6);
    // The hub takes its queue in order: were 5 a topic, "five" would arrive before "six".
    send_to(5470, kPublishId, kPublishId, "five");
    send_to(5470, kPublishId, 6, "six");
    EXPECT_TRUE(seen.wait_for(1, std::chrono::seconds(5)));
    EXPECT_EQ(seen.calls(), std::vector<std::string>{"2:6:six"});

    stop_peer(5470);
    EXPECT_EQ(wait_exit(hub), 0);
    qx_ipc_terminate_loop();
}
