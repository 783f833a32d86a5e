/* SPDX-License-Identifier: MIT */
/* liborvo-log: the platform's logging library. */
#ifndef ORVO_PLATFORM_ORVO_LOG_H
#define ORVO_PLATFORM_ORVO_LOG_H

#ifdef __cplusplus
extern "C" {
#endif

/* A logger: level (1, 3 or 4), printf-style format and its arguments. */
typedef void (*orvo_log_function_t)(int level, const char *format, ...);

/* Returns the logger for a library's tag; never null. */
orvo_log_function_t orvo_log_function_init(const char *tag);

#ifdef __cplusplus
}
#endif

#endif
