/* SPDX-License-Identifier: MIT */
/* libbsp: the platform's power calls. Each returns 0 on success, else an error code. */
#ifndef ORVO_PLATFORM_QX_PM_H
#define ORVO_PLATFORM_QX_PM_H

#ifdef __cplusplus
extern "C" {
#endif

int qx_pm_wakelock_lock(const char *name);
int qx_pm_wakelock_unlock(const char *name);
int qx_pm_set_lp_mode(int mode);

#ifdef __cplusplus
}
#endif

#endif
