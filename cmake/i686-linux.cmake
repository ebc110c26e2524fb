# 32-bit x86 Linux with the host's multilib g++ (Debian: g++-multilib). SSE2 arithmetic keeps
# single-precision results free of x87 excess precision, as on the 64-bit build.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(BRUMO_I686_FLAGS "-m32 -msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "${BRUMO_I686_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${BRUMO_I686_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
# i386 libraries of the multiarch layout (libgtest-dev:i386 and the like).
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# The machine runs i386 programs itself: tests are started directly (where the kernel was started
# without 32-bit emulation, scripts/install-deps.sh has it start them through qemu-i386).
