// SPDX-License-Identifier: MIT
// Subscribe, publish and unsubscribe across processes; forwarded messages never circle.
#include "peer.h"

using namespace ipctest;

namespace {

// A subscriber in a child process: records the topics' messages and, on each request from
// the parent, reports how many it has seen; exits 0 when what it saw is what was expected.
struct Subscriber {
    Pipe ready;
    Pipe command;
    Pipe report;
    pid_t pid = -1;

    void start(int hub, std::vector<int> topics, std::vector<std::string> expected) {
        pid = spawn([=] {
            if (qx_ipc_start_loop(nullptr) == 0)
                return 10;
            Recorder seen;
            std::vector<qx_ipc_event> evs;
            for (int topic : topics)
                evs.push_back(seen.event(topic, qx_ipc_get_self_fd(), 1));
            qx_ipc_register_events(evs.data(), static_cast<int>(evs.size()));
            for (int topic : topics)
                send_to(hub, kSubscribeId, topic);
            ready.put(qx_ipc_get_self_fd());
            for (int order; (order = command.get()) != 0;) {
                if (order > 0) // wait until that many messages arrived, then report
                    seen.wait_for(static_cast<size_t>(order), std::chrono::seconds(5));
                else // unsubscribe from topic -order
                    send_to(hub, kUnsubscribeId, -order);
                report.put(static_cast<int>(seen.calls().size()));
            }
            bool as_expected = seen.calls() == expected;
            for (const auto &call : seen.calls())
                std::printf("subscriber %d saw %s\n", qx_ipc_get_self_fd(), call.c_str());
            for (const auto &header : seen.headers())
                as_expected = as_expected && header.fd_src == hub;
            qx_ipc_terminate_loop();
            return as_expected ? 0 : 1;
        });
    }
    int ask(int order) {
        command.put(order);
        return report.get();
    }
    int finish() {
        command.put(0);
        return wait_exit(pid);
    }
};

} // namespace

TEST(Publish, ReachesEverySubscriberOfTheTopicUntilUnsubscribed) {
    Pipe hub_ready;
    pid_t hub = spawn([&] { return run_peer("telecom-server", hub_ready); });
    ASSERT_EQ(hub_ready.get(), 5470);

    Subscriber b;
    Subscriber c;
    b.start(5470, {50, 2}, {"5471:50:one"});
    int b_key = b.ready.get();
    c.start(5470, {50, 51}, {"5472:50:one", "5472:51:two", "5472:50:three"});
    int c_key = c.ready.get();
    ASSERT_EQ(b_key, 5471);
    ASSERT_EQ(c_key, 5472);

    send_to(5470, kPublishId, 50, "one");
    send_to(5470, kPublishId, 51, "two");
    send_to(5470, kPublishId, 2, "built-in identifiers are not topics");
    send_to(5470, kPublishId, 52, "nobody listens");
    EXPECT_EQ(b.ask(1), 1);
    EXPECT_EQ(c.ask(2), 2);

    EXPECT_EQ(b.ask(-50), 1); // b leaves topic 50
    // The hub handles b's unsubscribe before anything sent after it.
    send_to(5470, kPublishId, 50, "three");
    EXPECT_EQ(c.ask(3), 3);
    EXPECT_EQ(b.finish(), 0);
    EXPECT_EQ(c.finish(), 0);
    stop_peer(5470);
    EXPECT_EQ(wait_exit(hub), 0);
}

TEST(Publish, EndpointsSubscribedToEachOtherDoNotMakeMessagesCircle) {
    Pipe ready;
    Pipe go;
    // x: an endpoint that subscribes to y's topic 60, while y subscribes to x's.
    pid_t x = spawn([&] {
        qx_ipc_start_loop(nullptr);
        Recorder seen;
        qx_ipc_event ev = seen.event(60, 0, 1);
        qx_ipc_event_add(&ev);
        ready.put(qx_ipc_get_self_fd());
        int y_key = go.get();
        send_to(y_key, kSubscribeId, 60);
        ready.put(1);
        go.get(); // y has published
        seen.wait_for(1, std::chrono::seconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        int seen_count = static_cast<int>(seen.calls().size());
        qx_ipc_terminate_loop();
        return seen_count;
    });
    int x_key = ready.get();
    ASSERT_EQ(x_key, 5471);
    // This process is y.
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    int y_key = qx_ipc_get_self_fd();
    Recorder seen;
    seen.add(60, 0, 1);
    send_to(x_key, kSubscribeId, 60);
    go.put(y_key);
    ASSERT_EQ(ready.get(), 1);
    // x's subscription reached y before this publish: both went through y's queue in order.
    send_to(y_key, kPublishId, 60, "once");
    go.put(1);
    EXPECT_EQ(wait_exit(x), 1);         // x got it exactly once
    EXPECT_EQ(seen.calls().size(), 0u); // and it never came back to y
    EXPECT_EQ(queued(y_key), 0);
    qx_ipc_terminate_loop();
}

TEST(Publish, ASubscriberWithoutAKeyIsSkippedAndNoQueueIsMade) {
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    const int hub = qx_ipc_get_self_fd();
    ASSERT_GE(msgget(6200, IPC_CREAT | 0600), 0);
    // Subscribers as the messages name them: key 0 first, then a real queue.
    for (int fd_src : {0, 6200}) {
        Msg msg = make_msg(hub, kSubscribeId);
        msg->fd_src = fd_src;
        msg->msg_rsp = 70;
        ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
    }
    const int queues = queue_count();
    StdoutCapture out;
    send_to(hub, kPublishId, 70, "news");
    testkit::eventually([&] { return queued(6200) != 0; });
    EXPECT_EQ(queued(6200), 1) << "the subscriber after it still gets the message";
    EXPECT_EQ(out.take(), "[qx] Err:qx_ipc_send_msg failed(0x2)\n\n\n");
    EXPECT_EQ(queue_count(), queues);
    remove_queue(6200);
    qx_ipc_terminate_loop();
}

// Subscriptions are what any sender may make: the same key and topic make one record, so
// one publish sends one copy, and the list stops growing at its bound, saying so.
TEST(Publish, SubscriptionsAreOneEachAndBounded) {
    ASSERT_NE(qx_ipc_start_loop(nullptr), 0ul);
    const int hub = qx_ipc_get_self_fd();
    ASSERT_GE(msgget(6201, IPC_CREAT | 0600), 0);
    auto subscribe = [hub](int fd_src, int topic) {
        Msg msg = make_msg(hub, kSubscribeId);
        msg->fd_src = fd_src;
        msg->msg_rsp = topic;
        ASSERT_EQ(qx_ipc_send_msg(msg.get()), 0);
    };
    StdoutCapture out;
    for (int again = 0; again < 5; ++again)
        subscribe(6201, 71);
    constexpr int kBound = 1024, kKeys = 1100; // keys without queues: each send fails
    for (int key = 7000; key < 7000 + kKeys; ++key)
        subscribe(key, 72);
    send_to(hub, kPublishId, 72, "to many");
    send_to(hub, kPublishId, 71, "once");
    testkit::eventually([&] { return queued(6201) != 0; });
    std::string printed = out.take();
    EXPECT_EQ(queued(6201), 1) << "one copy for five subscriptions";
    auto count = [&printed](const std::string &text) {
        size_t found = 0;
        for (size_t at = 0; (at = printed.find(text, at)) != std::string::npos; ++at)
            ++found;
        return found;
    };
    EXPECT_EQ(count("qx_ipc_send_msg failed(0x2)"), static_cast<size_t>(kBound - 1))
        << "one record of the bound is 6201's";
    EXPECT_EQ(count("subscriber list full (1024)"), static_cast<size_t>(kKeys - (kBound - 1)));
    remove_queue(6201);
    qx_ipc_terminate_loop();
}
