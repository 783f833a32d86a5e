# shellcheck shell=bash
# Debian's armhf packages for the board image and the cross build's sysroot: downloaded once
# into the cache (apt-get download) and unpacked, never installed. An armhf libc6 on the
# build machine would mix with the cross toolchain's under qemu-arm. Sourced; uses CACHE.

# armhf_version PACKAGE: the version apt fetches. Where apt does not know armhf yet, adds the
# architecture and reads its lists (as root): that installs nothing.
armhf_version() {
    local version
    version=$(apt-cache policy "$1:armhf" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    if [ -z "$version" ] || [ "$version" = "(none)" ]; then
        [ "$(id -u)" = 0 ] || {
            echo "sim/board: apt does not know $1:armhf (run ./sim/packages as root)" >&2
            return 1
        }
        dpkg --print-foreign-architectures | grep -qx armhf || dpkg --add-architecture armhf
        apt-get update -qq || return 1
        version=$(apt-cache policy "$1:armhf" | sed -n 's/^ *Candidate: //p')
    fi
    if [ -z "$version" ] || [ "$version" = "(none)" ]; then
        echo "sim/board: no $1:armhf among Debian's packages" >&2
        return 1
    fi
    echo "$version"
}

# armhf_deb PACKAGE: the path of its .deb in the cache, downloaded when that version is not
# there yet.
armhf_deb() {
    local version deb output
    version=$(armhf_version "$1") || return 1
    deb=$CACHE/debs/${1}_${version//:/%3a}_armhf.deb
    if [ ! -f "$deb" ]; then
        mkdir -p "$CACHE/debs"
        output=$(cd "$CACHE/debs" && apt-get download -q "$1:armhf=$version" 2>&1) || {
            echo "$output" >&2
            echo "sim/board: cannot download $1:armhf $version" >&2
            return 1
        }
    fi
    echo "$deb"
}
