/* SPDX-License-Identifier: MIT */
/* A local socket connected to a path: for the rpmsg preload (plain C) and the simulators. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* socket(AF_UNIX, type) connected to path, close-on-exec when cloexec is non-zero; the
 * descriptor, or -1 with connect's errno (the socket closed). */
int orvo_sim_connect(const char *path, int type, int cloexec);

#ifdef __cplusplus
}
#endif
