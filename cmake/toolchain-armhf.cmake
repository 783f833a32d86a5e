# SPDX-License-Identifier: MIT
# Cross build for the module: 32-bit ARM Linux, hard-float ABI, with Debian's
# arm-linux-gnueabihf cross compilers (g++-arm-linux-gnueabihf).
#   cmake -S . -B build-arm -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake
# Test programs run on the build machine through qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(ORVO_ARM_TRIPLE arm-linux-gnueabihf)
set(ORVO_ARM_SYSROOT /usr/${ORVO_ARM_TRIPLE})

set(CMAKE_C_COMPILER ${ORVO_ARM_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ORVO_ARM_TRIPLE}-g++)
set(CMAKE_STRIP ${ORVO_ARM_TRIPLE}-strip CACHE FILEPATH "")

# Debian's armhf packages that the build links against (libfuse3, for the simulated
# kernel), unpacked by setup/armhf-sysroot rather than installed on the build machine; where
# they are missing, the build leaves out what needs them.
if(DEFINED ENV{ORVO_BOARD_CACHE})
    set(ORVO_ARM_DEB_ROOT_DEFAULT $ENV{ORVO_BOARD_CACHE}/armhf-sysroot)
else()
    set(ORVO_ARM_DEB_ROOT_DEFAULT /var/cache/orvo-board/armhf-sysroot)
endif()
set(ORVO_ARM_DEB_ROOT ${ORVO_ARM_DEB_ROOT_DEFAULT} CACHE PATH
    "Debian's armhf packages for the cross build (setup/armhf-sysroot)")

# Target libraries, headers and packages come from the cross tree, the packages' sysroot
# (and from roots given with -DCMAKE_FIND_ROOT_PATH, such as a staged install); tools
# from the host. pkg-config looks only into the packages' sysroot.
list(APPEND CMAKE_FIND_ROOT_PATH ${ORVO_ARM_SYSROOT} ${ORVO_ARM_DEB_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${ORVO_ARM_DEB_ROOT}/usr/lib/${ORVO_ARM_TRIPLE}/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${ORVO_ARM_DEB_ROOT})
# The linker finds the packages' own dependencies there too.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-rpath-link,${ORVO_ARM_DEB_ROOT}/lib/${ORVO_ARM_TRIPLE} \
-Wl,-rpath-link,${ORVO_ARM_DEB_ROOT}/usr/lib/${ORVO_ARM_TRIPLE}")

# Installs lay the tree out as on the module: /usr/bin, /usr/sbin, /usr/lib (not a
# Debian multiarch folder); stage them with DESTDIR.
set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install path prefix")
set(CMAKE_INSTALL_LIBDIR lib CACHE PATH "Object code libraries (lib)")

# ctest and try_run start target programs through user-mode emulation. The library path
# keeps the target's loader on the cross tree's runtime, then the packages' sysroot: its own
# first folder, /lib/arm-linux-gnueabihf, is not in the cross tree, so qemu falls back to
# the build machine's, where an armhf libc6 installed there would mix with the cross one.
set(CMAKE_CROSSCOMPILING_EMULATOR
    qemu-arm -L ${ORVO_ARM_SYSROOT}
    -E LD_LIBRARY_PATH=${ORVO_ARM_SYSROOT}/lib:${ORVO_ARM_DEB_ROOT}/lib/${ORVO_ARM_TRIPLE})
