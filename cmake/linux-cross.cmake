# Cross-compiles the Linux programs and their tests with Debian's cross compilers, for another
# architecture: VORN_LINUX_TRIPLE names it (i686-linux-gnu, s390x-linux-gnu...). Where the
# machine cannot run its code, VORN_EMULATOR (qemu-user) runs the tests.
set(VORN_LINUX_TRIPLE i686-linux-gnu CACHE STRING "the target, as Debian's cross compilers name it")
set(VORN_EMULATOR "" CACHE STRING "what runs the target's programs here, if anything must")
string(REGEX REPLACE "-.*" "" processor ${VORN_LINUX_TRIPLE})
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${processor})
set(CMAKE_C_COMPILER ${VORN_LINUX_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VORN_LINUX_TRIPLE}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${VORN_LINUX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# GoogleTest built for the target is found where it was installed (CMAKE_PREFIX_PATH).
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
if(VORN_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VORN_EMULATOR})
endif()
