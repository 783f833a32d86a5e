# SPDX-License-Identifier: MIT
# libqxipc: endpoints on System V queues, request and answer, subscribe and publish.
say "libqxipc: a server endpoint on the well-known key of \"msm-server\" (5469)"
show 'qxipc-demo serve msm-server > /tmp/ipc-server.out & sleep 0.3; cat /tmp/ipc-server.out'
say "A second endpoint (the lowest free key from 5471) sends a request and waits for the answer"
show 'qxipc-demo request 5469 "hello server" 2000'
say "A subscriber takes topic 42 from the server; a publisher publishes on it through the server"
show 'qxipc-demo subscribe 5469 42 1 > /tmp/ipc-sub.out & sleep 0.3; cat /tmp/ipc-sub.out'
show 'qxipc-demo publish 5469 42 "news for subscribers"; sleep 0.3; cat /tmp/ipc-sub.out'
say "A request nobody answers times out; the stop message ends the server's loop"
show 'qxipc-demo request 5999 "anyone?" 500'
show 'qxipc-demo stop 5469; sleep 0.3; cat /tmp/ipc-server.out; ipcs -q'
