/* SPDX-License-Identifier: MIT */
/**
 * @file liborvo-at-common.h
 * @brief liborvo-at-common: vendor AT commands, loaded as a plug-in by the module's AT host.
 *
 * The host loads the plug-in by its plain name (liborvo-at-common.so), looks up
 * orvo_register_at_common() by name, calls it with its output function and then hands
 * every AT command line ("AT+CGIR", "AT+NETLED=1", ...) to the returned callback. Each
 * response is one CR LF line ("OK", "+CME ERROR: n" or the command's answer), passed to
 * the output function in one call.
 *
 * @par Errors
 * A command that fails answers "+CME ERROR: n" through the output function; the calls
 * themselves return nothing. Trace lines go through the platform's logger (tag
 * "ORVO_AT_COMMON").
 *
 * @par Threads
 * The host calls the callback from one thread at a time; it blocks for the command's work
 * (LED, power and UCI calls). Nothing is safe in a signal handler.
 */
#ifndef LIBORVO_AT_COMMON_H
#define LIBORVO_AT_COMMON_H

#ifdef __cplusplus
extern "C" {
#endif

/** The host's output function: response bytes, their count, and a flag the plug-in sets
 *  to 0. */
typedef void (*orvo_at_output_t)(const char *data, int length, int flag);

/** The command callback: a NUL-terminated line beginning with "AT+"; the integer is not
 *  read. */
typedef void (*orvo_at_callback_t)(char *line, int n);

/** The registered output function; null until orvo_register_at_common() is called. */
extern orvo_at_output_t handle_output;

/**
 * @brief Stores the host's output function (replacing an earlier one) and returns the
 * command callback.
 * @param output the host's output function
 * @return the callback that takes each AT command line.
 */
orvo_at_callback_t orvo_register_at_common(orvo_at_output_t output);

#ifdef __cplusplus
}

/**
 * @name Kept for other deliverables and old callers
 * C++ names that earlier AT hosts bind to; a host calls orvo_register_at_common() and the
 * callback it returns instead.
 * @{
 */
/** One row of the command table: a command name and its handler. */
struct orvo_at_command {
    const char *cmd;          /**< the command's name after "AT+", such as "CGIR" */
    void (*func)(char *text); /**< its handler, given the line */
};

/** The load-time constructor: obtains the logger. */
void ORVO_AT_COMMON_init();
/** The command callback. @param line the command line @param n not read */
void orvo_at_common_cb(char *line, int n);
/** The command table's row for a line. @param text the line @return the row, or null */
const orvo_at_command *find_command(char *text);
/** Answers "OK". */
void orvo_response_ok();
/** Answers "+CME ERROR: code". @param code the error code */
void orvo_response_error(int code);
/** AT+CGIR: the software version. @param text the line */
void orvo_handle_version(char *text);
/** AT+LEELSP: automatic suspend. @param text the line */
void orvo_handle_autosuspend(char *text);
/** AT+NETLED: the network LED. @param text the line */
void orvo_handle_netled(char *text);
/** AT+STATUSLED: the status LED. @param text the line */
void orvo_handle_statusled(char *text);
/** AT+DDRID: the DDR chip's size. @param text the line */
void orvo_handle_ddr_identify(char *text);
/** AT+HALTENABLE: whether the module may halt. @param text the line */
void orvo_handle_halt_enable(char *text);
/** @} */
#endif

#endif
