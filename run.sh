#!/usr/bin/env bash
# Sets up, builds and shows the programmer software on its embedded data:
# the device database through qkcli.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target qkcli

./build/bin/qkcli --version
echo
./build/bin/qkcli devices
echo
./build/bin/qkcli info PCD80710
