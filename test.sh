#!/usr/bin/env bash
# Sets up, builds and runs every test: the release build with all tests, then
# the Windows build (mingw-w64) with its tests under wine, then a second
# build with AddressSanitizer and UndefinedBehaviorSanitizer that runs the
# unit tests again, then a short run of every fuzz target (clang, libFuzzer;
# QK_FUZZ_SECONDS each, 60 by default).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQK_WERROR=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure
# Installed like any Linux program, and packaged.
packaging/check-install.sh build

# Windows: cross-built, its tests under wine in a prefix of its own, the
# end-to-end ones against the Linux qksim built above.
source scripts/wine-env.sh build-win
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQK_WERROR=ON -DQK_BENCH=OFF -DQK_GUI=OFF -DQK_HOST_QKSIM="$PWD/build/bin/qksim" >/dev/null
cmake --build build-win
qk_wine_start
ctest --test-dir build-win --output-on-failure
wineserver -k || true

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQK_WERROR=ON -DQK_SANITIZE=ON -DQK_BENCH=OFF >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -L unit

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQK_FUZZ=ON \
  -DQK_BENCH=OFF -DQK_FUZZ_SECONDS="${QK_FUZZ_SECONDS:-60}" >/dev/null
cmake --build build-fuzz --target fuzz_targets
ctest --test-dir build-fuzz --output-on-failure -L fuzz
