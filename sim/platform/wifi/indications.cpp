// SPDX-License-Identifier: MIT
#include "indications.h"

#include "callback_thread.h"
#include "simctl.h"
#include "wifi_model.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <thread>

namespace sim::wifi {
namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(50);

struct Last {
    int enable;
    int ap[kApCount];
    int sta;
    bool addressed; // a station reports again when its address comes
};

Last observe(const World &w, int64_t now) {
    Last last{};
    last.enable = enable_state(w, now);
    for (int i = 0; i < kApCount; i++)
        last.ap[i] = ap_state(w, i, now);
    last.sta = sta_state(w, now);
    wifi_sta_status status;
    fill_sta_status(w, now, &status);
    last.addressed = status.has_addr == 1 || status.has_addr6 == 1;
    return last;
}

// Station first, access points next, the enable state last: when Wi-Fi goes down, the
// clients hear of what ran on it before they hear of Wi-Fi itself.
void report_changes(const World &w, int64_t now, Last &last) {
    Callbacks &cb = callbacks();
    Last cur = observe(w, now);
    if (cur.sta != last.sta || (cur.sta == QX_WIFI_STA_UP && cur.addressed != last.addressed)) {
        wifi_sta_status status;
        fill_sta_status(w, now, &status);
        if (auto f = cb.sta.load())
            sim::deliver_callback([&] { f(last.sta, &status); });
    }
    for (int i = 0; i < kApCount; i++) {
        if (cur.ap[i] == last.ap[i])
            continue;
        wifi_ap_status status;
        fill_ap_status(w, i, now, &status);
        if (auto f = cb.ap.load())
            sim::deliver_callback([&] { f(i, last.ap[i], &status); });
    }
    if (cur.enable != last.enable) {
        if (auto f = cb.enable.load())
            sim::deliver_callback([&] { f(last.enable, cur.enable); });
    }
    last = cur;
}

// "join AP MAC", "leave AP MAC", "scan COUNT", "error CODE" (MAC encoded); "scan real" hands
// over the real radios' latest scan.
void report_event(const std::string &line) {
    Callbacks &cb = callbacks();
    std::istringstream in(line);
    std::string kind;
    in >> kind;
    if (kind == "join" || kind == "leave") {
        int ap = 0;
        std::string mac;
        in >> ap >> mac;
        wifi_sta_conn conn{};
        conn.state = kind == "join";
        std::snprintf(conn.mac, sizeof conn.mac, "%s", decode_text(mac).c_str());
        if (auto f = cb.ap_sta_connect.load())
            sim::deliver_callback([&] { f(ap, &conn); });
    } else if (kind == "scan") {
        std::string count;
        in >> count;
        wifi_scan_result list;
        if (count == "real")
            fill_real_scan_result(snapshot(), &list);
        else
            fill_scan_result(std::atoi(count.c_str()), &list);
        if (auto f = cb.scan.load())
            sim::deliver_callback([&] { f(&list); });
    } else if (kind == "error") {
        int code = 0;
        in >> code;
        if (auto f = cb.error.load())
            sim::deliver_callback([&] { f(code); });
    }
}

// Indications come from the service that the client initialised with: while the service is
// stopped none arrive, and after a restart none until the client initialises again.
class Indications {
  public:
    void start() {
        std::lock_guard<std::mutex> guard(mutex_);
        generation_ = sim::service_pid("wifi");
        if (thread_.joinable())
            return;
        stop_ = false;
        // Taken here, so that nothing that happens after init is missed.
        int64_t now = now_ms();
        Last last = observe(snapshot(), now);
        off_t offset = events_end();
        // The thread inherits the caller's signal mask, as a real library's would: it takes
        // whatever signals the program leaves open.
        pid_t generation = generation_;
        thread_ = std::thread([this, last, offset, generation] { run(last, offset, generation); });
    }

    void stop() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (!thread_.joinable())
            return;
        if (thread_.get_id() == std::this_thread::get_id() || sim::on_callback_thread())
            thread_.detach(); // uninit from a callback: the loop ends after it returns
        else
            thread_.join();
    }

    bool running() {
        std::lock_guard<std::mutex> guard(mutex_);
        return thread_.joinable() && !stop_;
    }

  private:
    void run(Last last, off_t offset, pid_t seen) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, kPollPeriod, [this] { return stop_; })) {
            pid_t generation = generation_;
            lock.unlock();
            int64_t now = now_ms();
            if (seen != generation) {
                // Initialised again: from what the service is now.
                last = observe(snapshot(), now);
                offset = events_end();
                seen = generation;
            }
            if (generation > 0 && sim::service_pid("wifi") == generation) {
                report_changes(snapshot(), now, last);
                for (const std::string &line : read_events(offset))
                    report_event(line);
            }
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    pid_t generation_ = 0; // the service's process at the latest init
    std::thread thread_;
};

// Never destroyed: a program may end without uninit while the thread runs.
Indications &indications() {
    static Indications *instance = new Indications;
    return *instance;
}

} // namespace

Callbacks &callbacks() {
    static Callbacks instance;
    return instance;
}

void start_indications() {
    indications().start();
}

void stop_indications() {
    indications().stop();
    Callbacks &cb = callbacks();
    cb.enable = nullptr;
    cb.ap = nullptr;
    cb.ap_sta_connect = nullptr;
    cb.sta = nullptr;
    cb.scan = nullptr;
    cb.error = nullptr;
}

bool indications_running() {
    return indications().running();
}

} // namespace sim::wifi
