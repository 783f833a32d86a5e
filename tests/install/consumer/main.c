/* SPDX-License-Identifier: MIT */
// An application built against an installed library alone.
#include <orvo-fixture.h>

#include <stdio.h>

int main(void) {
    printf("answer %d\n", orvo_fixture_answer());
    return 0;
}
