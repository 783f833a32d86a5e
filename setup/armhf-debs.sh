# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Debian's armhf packages for the board image and the cross build's sysroot: downloaded once
# into the cache (apt-get download) and unpacked, never installed. An armhf libc6 on the
# build machine would mix with the cross toolchain's under qemu-arm. Sourced; uses CACHE.

# armhf_candidates PACKAGE...: "PACKAGE VERSION" for those apt knows for armhf (one look-up).
armhf_candidates() {
    apt-cache policy "${@/%/:armhf}" 2>/dev/null | awk '
        /^[^ ].*:armhf:$/ { name = substr($0, 1, length($0) - 7) }
        /^ *Candidate: / && name != "" && $2 != "(none)" { print name, $2; name = "" }'
}

# armhf_versions PACKAGE...: "PACKAGE VERSION", the version apt fetches. Where apt does not
# know armhf yet, adds the architecture and reads its lists (as root): that installs nothing.
armhf_versions() {
    local found
    found=$(armhf_candidates "$@")
    [ "$(grep -c . <<<"$found")" = $# ] && {
        echo "$found"
        return 0
    }
    [ "$(id -u)" = 0 ] || {
        echo "sim/board: apt does not know $* for armhf (run ./setup/packages as root)" >&2
        return 1
    }
    dpkg --print-foreign-architectures | grep -qx armhf || dpkg --add-architecture armhf
    "$(dirname "${BASH_SOURCE[0]}")/apt-update"
    found=$(armhf_candidates "$@")
    [ "$(grep -c . <<<"$found")" = $# ] || {
        echo "sim/board: not all of $* are among Debian's armhf packages" >&2
        return 1
    }
    echo "$found"
}

# armhf_debs PACKAGE...: "PACKAGE PATH" of each one's .deb in the cache, downloading the
# versions that are not there yet.
armhf_debs() {
    local versions package version deb output
    versions=$(armhf_versions "$@") || return 1
    mkdir -p "$CACHE/debs"
    while read -r package version; do
        deb=$CACHE/debs/${package}_${version//:/%3a}_armhf.deb
        if [ ! -f "$deb" ]; then
            output=$(cd "$CACHE/debs" && apt-get download -q "$package:armhf=$version" 2>&1) || {
                echo "$output" >&2
                echo "sim/board: cannot download $package:armhf $version" >&2
                return 1
            }
        fi
        echo "$package $deb"
    done <<<"$versions"
}
