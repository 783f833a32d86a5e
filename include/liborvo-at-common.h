/* SPDX-License-Identifier: MIT */
/* liborvo-at-common: vendor AT commands, loaded as a plug-in by the module's AT host.
 *
 * The host looks up orvo_register_at_common by name, calls it with its output function and
 * then hands every AT command line ("AT+CGIR", "AT+NETLED=1", ...) to the returned callback.
 * Each response is one CR LF line, passed to the output function in one call. */
#ifndef LIBORVO_AT_COMMON_H
#define LIBORVO_AT_COMMON_H

#ifdef __cplusplus
extern "C" {
#endif

/* The host's output function: response bytes, their count, and a flag the plug-in sets to 0. */
typedef void (*orvo_at_output_t)(const char *data, int length, int flag);

/* The command callback: a NUL-terminated line beginning with "AT+"; the integer is not read. */
typedef void (*orvo_at_callback_t)(char *line, int n);

/* The registered output function; null until orvo_register_at_common is called. */
extern orvo_at_output_t handle_output;

/* Stores output (replacing an earlier one) and returns the command callback. */
orvo_at_callback_t orvo_register_at_common(orvo_at_output_t output);

#ifdef __cplusplus
}

/* One row of the command table: a command name and its handler. */
struct orvo_at_command {
    const char *cmd;
    void (*func)(char *text);
};

void ORVO_AT_COMMON_init();
void orvo_at_common_cb(char *line, int n);
const orvo_at_command *find_command(char *text);
void orvo_response_ok();
void orvo_response_error(int code);

void orvo_handle_version(char *text);
void orvo_handle_autosuspend(char *text);
void orvo_handle_netled(char *text);
void orvo_handle_statusled(char *text);
void orvo_handle_ddr_identify(char *text);
void orvo_handle_halt_enable(char *text);
#endif

#endif
