/* SPDX-License-Identifier: MIT */
/* libqxtel: the platform's network wake-up whitelist. */
#ifndef ORVO_PLATFORM_QX_MNET_H
#define ORVO_PLATFORM_QX_MNET_H

#ifdef __cplusplus
extern "C" {
#endif

/* Clears the network wake-up whitelist; 0 on success, else an error code. */
int qx_mnet_whitelist_clear(void);

#ifdef __cplusplus
}
#endif

#endif
