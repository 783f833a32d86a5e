/* SPDX-License-Identifier: MIT */
/* Scripted failures of the simulated module, one grammar everywhere: "CALL CODE [COUNT]".
 * COUNT absent: the call fails with CODE for ever; COUNT n: the next n calls fail, then the
 * script ends. Scripts of platform calls live in the control directory (sim/module ctl fail),
 * shared by every process of the module; the simulated kernel keeps its own in memory with
 * the same parser and count-down. Plain C, for the rpmsg preload and the C++ stand-ins alike. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

struct orvo_sim_script {
    int code;
    int count; /* calls left to fail; -1: for ever, 0: ended */
};

/* Parses "CODE [COUNT]" (numbers as strtol with base 0 reads them, COUNT above 0, nothing
 * after them but white space); 0 when it is one, -1 otherwise. */
int orvo_sim_script_parse(const char *text, struct orvo_sim_script *script);

/* Uses up one call of a script: the code it fails with, 0 once it has ended. */
int orvo_sim_script_take(struct orvo_sim_script *script);

/* The code the call fails with now, 0 when it succeeds. A counted script is counted down
 * under a lock, so concurrent callers of any process never lose or double a decrement. */
int orvo_sim_fail(const char *call);

/* Scripts a call (count -1: for ever) or ends its script; 0, or -1 with errno set. */
int orvo_sim_fail_set(const char *call, int code, int count);
int orvo_sim_fail_clear(const char *call);

/* A stand-in's setting (sim/module ctl set NAME VALUE): 1 and the value when set, else 0. */
int orvo_sim_setting(const char *name, long *value);

#ifdef __cplusplus
}
#endif
