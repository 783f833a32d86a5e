// SPDX-License-Identifier: MIT
// ctl nv: the NV bridge in the simulated module. Starts and stops its three services (the NV
// service, the modem core, paramlinkd under the rpmsg preload), acts as the modem core, makes
// the NV service misbehave and shows what happened.
#include "modem_frames.h"
#include "modemcore_link.h"
#include "simclient.h"
#include "simctl.h"
#include "topics.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/msg.h>
#include <vector>

namespace sim::ctl {

namespace {

const char kUsage[] = R"(usage: sim/module ctl nv COMMAND

  start [all|service|modemcore|daemon] [ARGS]  start (all: service, modem core, daemon);
        service ARGS: --quiet; modemcore ARGS: --no-hello
  stop service|modemcore|daemon
  status                  the daemon: "running", "stopped" or "exited STATUS"
  service delay MS | wrong-id N | silent N | drop-queue N | oversize N | reset
                          make the NV service misbehave
  get KEY | set KEY VALUE | send | hex BYTES | hello [N] | script FILE  [OPTIONS]
                          act as the modem core; each answer printed decoded
  output | errors         the daemon's standard output | standard error
  requests                the requests the NV service received, one line each
  last-request            the last one, as the module lays it out (4-byte mtype)
  channel                 what the daemon did with its channel (open, ioctls, ...)
  answers                 what the modem core sent and received
  queue limit BYTES       set queue 4134's byte limit (made when missing)
  queue try-send BYTES    as another process of the module: send a message of BYTES bytes
                          and type 99 without waiting, then take it out again; "sent", or
                          "refused, errno N" with status 1

Options of the modem core's requests: --key K --value V --req-id N --word N --opaque N
  --op N --cmd N --head-len N (head part is N + 20 bytes) --head-len-field N --key-len N
  --value-len N --payload-len N (header fields as sent) --pad N (extra payload bytes)
  --truncate N (send only N bytes) --timeout MS (0: do not wait; default 5000) --hex
  (print the answer's bytes too).
)";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The services of the bridge, by the names this topic gives them.
std::string service_name(const std::string &what) {
    return what == "service" ? "nvservice" : what == "daemon" ? "paramlinkd" : what;
}

int start(const Args &args) {
    std::string what = args.empty() ? "all" : args[0];
    Args rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    std::vector<std::string> names = {"nvservice", "modemcore", "paramlinkd"};
    if (what != "all") {
        if (what != "service" && what != "modemcore" && what != "daemon")
            return complain("nv", "start what? (" + what + ")");
        names = {service_name(what)};
    }
    for (const auto &name : names) {
        Service service(name);
        if (!service.start(what == "all" ? Args{} : rest))
            return complain("nv", service.error());
    }
    return 0;
}

int stop(const Args &args) {
    if (args.size() != 1 || (args[0] != "service" && args[0] != "modemcore" && args[0] != "daemon"))
        return complain("nv", "stop what?");
    Service service(service_name(args[0]));
    return service.stop() ? 0 : complain("nv", service.error());
}

int print_file(const std::string &file) {
    std::fputs(read_file(file).value_or("").c_str(), stdout);
    return 0;
}

using Args = std::vector<std::string>;

struct Command {
    nv::FrameRequest request;
    std::vector<uint8_t> raw; // when set, sent as is
    uint32_t timeout_ms = 5000;
    bool print_hex = false;
};

// Request identifiers go on across invocations, so answers are easy to tell apart.
int32_t next_req_id() {
    std::string path = sim::path("nv/next_req_id");
    int32_t id = 1;
    if (std::ifstream in(path); in)
        in >> id;
    std::ofstream(path) << id + 1 << "\n";
    return id;
}

bool parse_options(const Args &args, size_t first, Command &command) {
    nv::FrameRequest &request = command.request;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string &name = args[i];
        if (name == "--hex") {
            command.print_hex = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            fprintf(stderr, "ctl nv: %s needs a value\n", name.c_str());
            return false;
        }
        const std::string &text = args[++i];
        long long v = 0;
        bool numeric = number(text, v);
        auto i32 = static_cast<int32_t>(v);
        if (name == "--key")
            request.key = text;
        else if (name == "--value")
            request.value = text;
        else if (!numeric) {
            fprintf(stderr, "ctl nv: bad option or number: %s %s\n", name.c_str(), text.c_str());
            return false;
        } else if (name == "--req-id")
            request.req_id = i32;
        else if (name == "--word")
            request.word = static_cast<uint32_t>(v);
        else if (name == "--opaque")
            request.opaque = static_cast<uint32_t>(v);
        else if (name == "--op")
            request.op = i32;
        else if (name == "--cmd")
            request.cmd = i32;
        else if (name == "--head-len")
            request.head_len = i32;
        else if (name == "--head-len-field")
            request.head_len_field = i32;
        else if (name == "--key-len")
            request.key_len_field = i32;
        else if (name == "--value-len")
            request.value_len_field = i32;
        else if (name == "--payload-len")
            request.payload_len_field = i32;
        else if (name == "--pad")
            request.pad = static_cast<size_t>(v);
        else if (name == "--truncate")
            request.truncate = static_cast<size_t>(v);
        else if (name == "--timeout")
            command.timeout_ms = static_cast<uint32_t>(v);
        else {
            fprintf(stderr, "ctl nv: unknown option %s\n", name.c_str());
            return false;
        }
    }
    return true;
}

// Fills `command` from one command line; false (after saying why) when it is not one.
bool parse_command(const Args &args, Command &command) {
    const std::string verb = args.empty() ? "" : args[0];
    command.request.req_id = next_req_id();
    size_t first = 1;
    if (verb == "get" && args.size() >= 2) {
        command.request.key = args[1];
        first = 2;
    } else if (verb == "set" && args.size() >= 3) {
        command.request.op = nv::kOpSet;
        command.request.key = args[1];
        command.request.value = args[2];
        first = 3;
    } else if (verb == "hex" && args.size() >= 2) {
        if (!nv::parse_hex(args[1], command.raw) || command.raw.empty()) {
            fprintf(stderr, "ctl nv: bad hex bytes\n");
            return false;
        }
        first = 2;
    } else if (verb == "hello") {
        long long size = 24;
        if (args.size() >= 2 && (!number(args[1], size) || size <= 0 || size > 4096)) {
            fprintf(stderr, "ctl nv: bad hello size\n");
            return false;
        }
        command.raw.assign(static_cast<size_t>(size), 0);
        command.timeout_ms = 0;
        return true;
    } else if (verb != "send") {
        fprintf(stderr, "ctl nv: unknown command: %s\n", verb.c_str());
        return false;
    }
    return parse_options(args, first, command);
}

int run(const Command &command) {
    std::vector<uint8_t> frame = command.raw.empty() ? build_frame(command.request) : command.raw;
    std::vector<uint8_t> answer;
    switch (nv::exchange(frame, command.timeout_ms, answer)) {
    case nv::LinkStatus::answered:
        printf("%s\n", nv::describe_answer(answer, frame).c_str());
        if (command.print_hex)
            printf("bytes %s\n", nv::hex(answer).c_str());
        return 0;
    case nv::LinkStatus::sent:
        printf("sent %zu bytes\n", frame.size());
        return 0;
    case nv::LinkStatus::timed_out:
        printf("no answer\n");
        return 1;
    case nv::LinkStatus::write_failed:
        printf("channel write failed\n");
        return 1;
    default:
        printf("no channel\n");
        return 2;
    }
}

// Words separated by white space; "double quotes" keep spaces in one word.
Args split_words(const std::string &line) {
    Args words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && isspace(static_cast<unsigned char>(c))) {
            if (any)
                words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        words.push_back(word);
    return words;
}

int run_script(const std::string &path) {
    std::ifstream in(path);
    if (!in) {
        fprintf(stderr, "ctl nv: cannot read %s\n", path.c_str());
        return 2;
    }
    int status = 0;
    std::string line;
    while (std::getline(in, line)) {
        Args words = split_words(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        Command command;
        if (!parse_command(words, command))
            return 2;
        if (int result = run(command))
            status = result;
        fflush(stdout);
    }
    return status;
}

int modem_core(const Args &args) {
    if (args[0] == "script")
        return args.size() == 2 ? run_script(args[1]) : usage();
    Command command;
    if (!parse_command(args, command))
        return 2;
    return run(command);
}

constexpr key_t kNvQueueKey = 4134;

int queue_limit(size_t bytes) {
    msqid_ds state{};
    int queue = msgget(kNvQueueKey, IPC_CREAT | 0600);
    if (queue < 0 || msgctl(queue, IPC_STAT, &state) < 0)
        return complain("nv", "queue 4134: " + std::string(strerror(errno)));
    state.msg_qbytes = bytes;
    if (msgctl(queue, IPC_SET, &state) < 0)
        return complain("nv", "queue limit: " + std::string(strerror(errno)));
    return 0;
}

int queue_try_send(size_t bytes) {
    struct {
        long mtype;
        char text[8192];
    } message{};
    message.mtype = 99;
    if (bytes > sizeof message.text)
        return usage();
    int queue = msgget(kNvQueueKey, 0);
    if (queue < 0 || msgsnd(queue, &message, bytes, IPC_NOWAIT) < 0) {
        std::printf("refused, errno %d\n", errno);
        return 1;
    }
    msgrcv(queue, &message, sizeof message.text, 99, IPC_NOWAIT);
    std::printf("sent\n");
    return 0;
}

int queue(const Args &args) {
    if (args.size() != 2)
        return usage();
    size_t bytes = std::strtoul(args[1].c_str(), nullptr, 10);
    if (args[0] == "limit")
        return queue_limit(bytes);
    if (args[0] == "try-send")
        return queue_try_send(bytes);
    return usage();
}

} // namespace

int nv(const Args &args) {
    if (args.empty())
        return usage();
    const std::string &command = args[0];
    Args rest(args.begin() + 1, args.end());
    if (command == "start")
        return start(rest);
    if (command == "stop")
        return stop(rest);
    if (command == "status") {
        std::printf("%s\n", Service("paramlinkd").status().c_str());
        return 0;
    }
    if (command == "service") {
        std::string line, why;
        for (const auto &word : rest)
            line += (line.empty() ? "" : " ") + word;
        return nv_service_command(line, &why) ? 0 : complain("nv", why);
    }
    if (command == "get" || command == "set" || command == "send" || command == "hex" ||
        command == "hello" || command == "script")
        return modem_core(args);
    if (command == "queue")
        return queue(rest);
    if (command == "output")
        return print_file(Service("paramlinkd").output_file());
    if (command == "errors")
        return print_file(Service("paramlinkd").errors_file());
    if (command == "requests" || command == "channel" || command == "answers" ||
        command == "last-request") {
        std::string text = nv_record(command);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    return usage();
}

} // namespace sim::ctl
