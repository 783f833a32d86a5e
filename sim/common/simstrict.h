/* SPDX-License-Identifier: MIT */
/* The strict platform (sim/module --strict): the stand-ins, the simulated services and the
 * preloaded kernel-call layer do whatever their contracts allow, at random but from one
 * seed. The sandbox writes the seed into the control directory; outside a strict module
 * every function here is a no-op. Plain C: the preload links it without the C++ runtime.
 *
 * Choices come from one generator per thread, seeded from the module's seed, the program's
 * name and the thread's place among the program's threads, so a seed makes the same choices
 * at the same calls of each program. Every fault injected is counted, for all processes
 * together, in the control directory (sim/module ctl strict). */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum orvo_sim_strict_kind {
    ORVO_STRICT_EINTR,          /* a blocking call interrupted */
    ORVO_STRICT_SHORT_READ,     /* fewer bytes than asked for, the rest left for later */
    ORVO_STRICT_SHORT_WRITE,    /* part of a write taken */
    ORVO_STRICT_PAUSE,          /* a stand-in or kernel call delayed */
    ORVO_STRICT_OTHER_THREAD,   /* a callback made from another thread, all signals open */
    ORVO_STRICT_LATE_ANSWER,    /* a service answering late */
    ORVO_STRICT_DOUBLE_ANSWER,  /* a service answering twice */
    ORVO_STRICT_SPLIT_RECORD,   /* a record sent in two pieces */
    ORVO_STRICT_SLOW_COMMAND,   /* system() or popen() slow to start */
    ORVO_STRICT_KERNEL_FAILURE, /* a kernel file's read failing for once (EIO) */
    ORVO_STRICT_KINDS
};

/* 1 inside a strict module. */
int orvo_sim_strict(void);
uint64_t orvo_sim_strict_seed(void);

/* A number below bound (bound above 0), and 1 with a chance of per_mille in a thousand;
 * both 0 outside a strict module. */
uint32_t orvo_sim_strict_draw(uint32_t bound);
int orvo_sim_strict_chance(unsigned per_mille);

/* With a chance of per_mille, sleeps up to max_us microseconds and counts a pause. */
void orvo_sim_strict_pause(unsigned per_mille, unsigned max_us);

void orvo_sim_strict_count(enum orvo_sim_strict_kind kind);
/* The count of one kind, for every process of the module; its name ("eintr", ...). */
uint64_t orvo_sim_strict_counted(enum orvo_sim_strict_kind kind);
const char *orvo_sim_strict_kind_name(enum orvo_sim_strict_kind kind);

/* The control file ("seed N", then "object NAME" and "program PATH" lines naming the
 * module's own code, whose calls the preload may interrupt) and the shared counters. */
#define ORVO_SIM_STRICT_FILE "/run/orvo-sim/strict"
#define ORVO_SIM_STRICT_COUNTS "/run/orvo-sim/strict.counts"

#ifdef __cplusplus
}
#endif
