/* liborvo-uci: access to the UCI configuration store. */
#ifndef ORVO_PLATFORM_ORVO_UCI_H
#define ORVO_PLATFORM_ORVO_UCI_H

#ifdef __cplusplus
extern "C" {
#endif

/* Longest option value the store keeps, without its terminator. */
#define ORVO_UCI_VALUE_MAX 127

/* Writes the value of config.section.option, NUL-terminated, into value; 0 on success. */
int orvo_get_value(const char *config, const char *section, const char *option, char *value);

/* Sets and commits "config.section.option=value"; 0 on success. */
int orvo_uci_set(const char *assignment);

#ifdef __cplusplus
}
#endif

#endif
