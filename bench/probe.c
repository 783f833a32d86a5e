/* SPDX-License-Identifier: MIT */
/* A process that has started one library's threads and then rests, so that its resident
 * memory can be read. Built once per library with PROBE_<LIBRARY>; without one it is the
 * baseline: a process with the C library alone. */
#include <stdio.h>
#include <unistd.h>

#if defined(PROBE_AUTOSUSPEND)
#include <liborvo-autosuspend.h>
/* The first command sets up the service channels and starts the feedback reader. */
static int start(void) {
    return orvo_autosleep_disable() == 1 ? 0 : -1;
}

#elif defined(PROBE_KESL_AUTOSUSPEND)
#include <liborvo-kesl-autosuspend.h>
static void on_edge(int state) {
    (void)state;
}
static int start(void) {
    static int config[4] = {50, 0, 0, 0};
    return kesl_lpm_init(on_edge, config);
}

#elif defined(PROBE_QXIPC)
#include <libqxipc.h>
static int start(void) {
    qx_ipc_start_loop(NULL);
    return qx_ipc_get_self_fd() == -1 ? -1 : 0;
}

#elif defined(PROBE_KESL_SMS)
#include <liborvo-kesl-sms.h>
static void on_sms(kesl_sms_msg *msg, int *handle) {
    (void)msg;
    (void)handle;
}
static int start(void) {
    int handle = 0;
    if (kesl_sms_client_init(&handle) != 0)
        return -1;
    return kesl_sms_addrxmsghandler(on_sms);
}

#elif defined(PROBE_AT_COMMON)
#include <dlfcn.h>
/* The AT host loads the plug-in by name; it starts no threads. */
static int start(void) {
    return dlopen("liborvo-at-common.so", RTLD_NOW) ? 0 : -1;
}

#else
static int start(void) {
    return 0;
}
#endif

int main(void) {
    if (start() != 0) {
        printf("not started\n");
        return 1;
    }
    printf("ready\n");
    fflush(stdout);
    for (;;)
        pause();
}
