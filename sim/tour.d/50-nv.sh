# SPDX-License-Identifier: MIT
say "paramlinkd: NV parameter requests from the modem core (rpmsg) to the NV service (queue 4134)"
show 'module ctl nv start   # NV service, modem core, then the daemon'
show 'module ctl nv channel  # the daemon opened its channel and set it up'
show 'cat /sys/power/wake_lock   # "nvrpc_lock" is held from start until the first answer'
say "The modem core sets and gets parameters"
show 'module ctl nv set radio.band 3; module ctl nv set apn.name "internet.example"'
show 'module ctl nv get apn.name; module ctl nv get no.such.key'
show 'module ctl nv requests   # what the NV service received on queue 4134'
say "The wake lock is held while a request is relayed and released after its answer"
show 'module ctl nv service delay 1000   # the service answers 1 s late'
show 'module ctl nv get radio.band & sleep 0.4; echo "during: $(cat /sys/power/wake_lock)"; wait; echo "after: $(cat /sys/power/wake_lock)"'
show 'module ctl nv service delay 0'
show "awk 'NR == 1 || \$1 == \"nvrpc_lock\"' /sys/kernel/debug/wakeup_sources"
say "A frame the daemon cannot relay comes back as it was sent, with cmd 0xbb"
show 'module ctl nv send --key too.long --key-len 2000 --pad 2000'
show 'module ctl nv output'
