/* SPDX-License-Identifier: MIT */
/* Where the NV simulators of the sandbox meet: all under /run/orvo-sim/nv. */
#pragma once

#define NV_SIM_DIR "/run/orvo-sim/nv"
/* The modem core's end of the rpmsg channel (SOCK_SEQPACKET, one frame per record). */
#define NV_SIM_CHANNEL_SOCKET NV_SIM_DIR "/rpmsg.sock"
/* The modem-core simulator's control socket, used by its command-line client. */
#define NV_SIM_MODEMCORE_SOCKET NV_SIM_DIR "/modemcore.sock"
/* What the daemon did with its channel, one line per event (written by the interposer). */
#define NV_SIM_CHANNEL_LOG NV_SIM_DIR "/channel.log"
