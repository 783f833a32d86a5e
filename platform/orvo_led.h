/* SPDX-License-Identifier: MIT */
/* liborvo-led: the module's LEDs. Each returns 0 on success, non-zero for a refused mode. */
#ifndef ORVO_PLATFORM_ORVO_LED_H
#define ORVO_PLATFORM_ORVO_LED_H

#ifdef __cplusplus
extern "C" {
#endif

int orvo_set_netled_on(int mode);
int orvo_set_statusled_on(int mode);

#ifdef __cplusplus
}
#endif

#endif
