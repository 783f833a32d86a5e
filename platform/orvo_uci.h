/* SPDX-License-Identifier: MIT */
/* liborvo-uci: access to the UCI configuration store. */
#ifndef ORVO_PLATFORM_ORVO_UCI_H
#define ORVO_PLATFORM_ORVO_UCI_H

#ifdef __cplusplus
extern "C" {
#endif

/* Longest option value the store keeps, without its terminator. */
#define ORVO_UCI_VALUE_MAX 127

/* Failure results; 0 is success. */
#define ORVO_UCI_ERR_NOTFOUND (-1) /* no such config, section or option */
#define ORVO_UCI_ERR_INVAL (-2)    /* malformed name or assignment, or a value too long */
#define ORVO_UCI_ERR_IO (-3)       /* the store cannot be read or written */
#define ORVO_UCI_ERR_TOOLONG (-4)  /* the stored value is longer than ORVO_UCI_VALUE_MAX */

/* Writes the value of config.section.option, NUL-terminated, into value, which must hold
   ORVO_UCI_VALUE_MAX + 1 bytes; a list's values are joined by spaces. Staged changes
   count. 0 on success. */
int orvo_get_value(const char *config, const char *section, const char *option, char *value);

/* Sets "config.section.option=value" (the value is the text after the first '=', without
   quotes; an empty value removes the option) and commits the config; 0 on success. */
int orvo_uci_set(const char *assignment);

#ifdef __cplusplus
}
#endif

#endif
