# The platform's autosuspend service (simulated): sourced by sim/sandbox.
"$BUILD/simbin/orvo-autosuspendd" >/dev/null 2>/run/orvo-sim/autosuspend.err &
for _ in $(seq 200); do
    [ -S /run/orvo-sim/autosuspend.control ] && break
    sleep 0.01
done
[ -S /run/orvo-sim/autosuspend.control ] ||
    die "the simulated autosuspend service did not start: $(cat /run/orvo-sim/autosuspend.err)"
