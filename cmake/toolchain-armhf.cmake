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

# Target libraries, headers and packages come from the cross tree (and from roots
# given with -DCMAKE_FIND_ROOT_PATH, such as a staged install); tools from the host.
list(APPEND CMAKE_FIND_ROOT_PATH ${ORVO_ARM_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${ORVO_ARM_TRIPLE}/pkgconfig:/usr/share/pkgconfig")

# Installs lay the tree out as on the module: /usr/bin, /usr/sbin, /usr/lib (not a
# Debian multiarch folder); stage them with DESTDIR.
set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install path prefix")
set(CMAKE_INSTALL_LIBDIR lib CACHE PATH "Object code libraries (lib)")

# ctest and try_run start target programs through user-mode emulation. The library path
# keeps the target's loader on the cross tree's runtime: through the build machine's
# ld.so.cache it would otherwise take any armhf libc installed there, and crash.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L ${ORVO_ARM_SYSROOT}
                                  -E LD_LIBRARY_PATH=${ORVO_ARM_SYSROOT}/lib)
