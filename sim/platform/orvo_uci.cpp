// SPDX-License-Identifier: MIT
// liborvo-uci stand-in: reads and writes the same store as the uci command.
#include "orvo_uci.h"
#include "common/export.h"
#include "simctl.h"
#include "uci_store.h"

#include <cstring>
#include <string>

#define EXPORT extern "C" ORVO_EXPORT

namespace {

int result(sim::uci::Status status) {
    switch (status) {
    case sim::uci::Status::ok:
        return 0;
    case sim::uci::Status::not_found:
        return ORVO_UCI_ERR_NOTFOUND;
    case sim::uci::Status::invalid:
        return ORVO_UCI_ERR_INVAL;
    case sim::uci::Status::io_error:
    case sim::uci::Status::parse_error:
        break;
    }
    return ORVO_UCI_ERR_IO;
}

} // namespace

EXPORT int orvo_get_value(const char *config, const char *section, const char *option,
                          char *value) {
    sim::record("liborvo-uci", "orvo_get_value %s.%s.%s", config ? config : "(null)",
                section ? section : "(null)", option ? option : "(null)");
    if (int code = sim::fail_code("orvo_get_value"))
        return code;
    if (!config || !section || !option || !value)
        return ORVO_UCI_ERR_INVAL;
    sim::uci::Path path;
    if (!sim::uci::parse_path(std::string(config) + "." + section + "." + option, &path) ||
        path.option.empty())
        return ORVO_UCI_ERR_INVAL;
    std::string text;
    sim::uci::Status status = sim::uci::Store().get(path, &text);
    if (status != sim::uci::Status::ok)
        return result(status);
    // The caller's buffer holds ORVO_UCI_VALUE_MAX characters; a longer hand-written value
    // is refused rather than cut.
    if (text.size() > ORVO_UCI_VALUE_MAX)
        return ORVO_UCI_ERR_TOOLONG;
    std::memcpy(value, text.c_str(), text.size() + 1);
    return 0;
}

EXPORT int orvo_uci_set(const char *assignment) {
    sim::record("liborvo-uci", "orvo_uci_set %s", assignment ? assignment : "(null)");
    if (int code = sim::fail_code("orvo_uci_set"))
        return code;
    if (!assignment)
        return ORVO_UCI_ERR_INVAL;
    std::string text = assignment;
    size_t equals = text.find('=');
    sim::uci::Path path;
    if (equals == std::string::npos || !sim::uci::parse_path(text.substr(0, equals), &path) ||
        path.option.empty())
        return ORVO_UCI_ERR_INVAL;
    sim::uci::Store store;
    sim::uci::Status status = store.set(path, text.substr(equals + 1));
    if (status == sim::uci::Status::ok)
        status = store.commit(path.config);
    return result(status);
}
