/* SPDX-License-Identifier: MIT */
// The one spelling of "exported from this library": everything else is hidden.
#pragma once

#define ORVO_EXPORT __attribute__((visibility("default")))
