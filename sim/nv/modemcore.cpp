// orvo-modemcore: the modem core behind the rpmsg channel, for the simulated module.
//
//   orvo-modemcore serve [--no-hello]      the channel's far end (runs until killed)
//   orvo-modemcore get KEY [OPTIONS]       read a parameter
//   orvo-modemcore set KEY VALUE [OPTIONS] store a parameter
//   orvo-modemcore send [OPTIONS]          any request frame, also malformed ones
//   orvo-modemcore hex BYTES [OPTIONS]     exactly these bytes as one frame
//   orvo-modemcore hello [N]               an N-byte (default 24) first message
//   orvo-modemcore script FILE             one of the commands above per line
//
// Options: --key K --value V --req-id N --word N --opaque N --op N --cmd N --head-len N
//   (head part is N + 20 bytes), --head-len-field N --key-len N --value-len N
//   --payload-len N (header fields as sent), --pad N (extra payload bytes), --truncate N
//   (send only N bytes), --timeout MS (0: do not wait; default 5000), --hex (print the
//   answer's bytes too).
// Each answer is printed as one "answer ..." line; "no answer" and "no channel" say why not.
#include "modem_frames.h"
#include "modemcore_link.h"
#include "nv_paths.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct Command {
    nvsim::FrameRequest request;
    std::vector<uint8_t> raw; // when set, sent as is
    uint32_t timeout_ms = 5000;
    bool print_hex = false;
};

// Request identifiers go on across invocations, so answers are easy to tell apart.
int32_t next_req_id() {
    const char *path = NV_SIM_DIR "/next_req_id";
    int32_t id = 1;
    if (std::ifstream in(path); in)
        in >> id;
    std::ofstream(path) << id + 1 << "\n";
    return id;
}

bool number(const std::string &text, long long &value) {
    char *end;
    value = strtoll(text.c_str(), &end, 0);
    return !text.empty() && *end == 0;
}

bool parse_options(const Args &args, size_t first, Command &command) {
    nvsim::FrameRequest &request = command.request;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string &name = args[i];
        if (name == "--hex") {
            command.print_hex = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            fprintf(stderr, "orvo-modemcore: %s needs a value\n", name.c_str());
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
            fprintf(stderr, "orvo-modemcore: bad option or number: %s %s\n", name.c_str(),
                    text.c_str());
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
            fprintf(stderr, "orvo-modemcore: unknown option %s\n", name.c_str());
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
        command.request.op = nvsim::kOpSet;
        command.request.key = args[1];
        command.request.value = args[2];
        first = 3;
    } else if (verb == "hex" && args.size() >= 2) {
        if (!nvsim::parse_hex(args[1], command.raw) || command.raw.empty()) {
            fprintf(stderr, "orvo-modemcore: bad hex bytes\n");
            return false;
        }
        first = 2;
    } else if (verb == "hello") {
        long long size = 24;
        if (args.size() >= 2 && (!number(args[1], size) || size <= 0 || size > 4096)) {
            fprintf(stderr, "orvo-modemcore: bad hello size\n");
            return false;
        }
        command.raw.assign(static_cast<size_t>(size), 0);
        command.timeout_ms = 0;
        return true;
    } else if (verb != "send") {
        fprintf(stderr, "orvo-modemcore: unknown command: %s\n", verb.c_str());
        return false;
    }
    return parse_options(args, first, command);
}

int run(const Command &command) {
    std::vector<uint8_t> frame = command.raw.empty() ? build_frame(command.request) : command.raw;
    std::vector<uint8_t> answer;
    switch (nvsim::exchange(frame, command.timeout_ms, answer)) {
    case nvsim::kAnswered:
        printf("%s\n", nvsim::describe_answer(answer, frame).c_str());
        if (command.print_hex)
            printf("bytes %s\n", nvsim::hex(answer).c_str());
        return 0;
    case nvsim::kSent:
        printf("sent %zu bytes\n", frame.size());
        return 0;
    case nvsim::kTimedOut:
        printf("no answer\n");
        return 1;
    case nvsim::kWriteFailed:
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
        fprintf(stderr, "orvo-modemcore: cannot read %s\n", path.c_str());
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

} // namespace

int main(int argc, char **argv) {
    Args args(argv + 1, argv + argc);
    if (args.empty()) {
        fprintf(stderr, "usage: orvo-modemcore serve|get|set|send|hex|hello|script ...\n");
        return 2;
    }
    if (args[0] == "serve")
        return nvsim::serve(!(args.size() > 1 && args[1] == "--no-hello"));
    if (args[0] == "script" && args.size() == 2)
        return run_script(args[1]);
    Command command;
    if (!parse_command(args, command))
        return 2;
    return run(command);
}
