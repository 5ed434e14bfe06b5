#!/usr/bin/env bash
# Sets up, builds and runs the main job without hardware: qksim, the
# simulated programmer, on a pseudo-terminal, and qkcli programming a sample
# image into a simulated PCD80710 over it, printing the checksum.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target qkcli qksim qkboot32

work=$(mktemp -d)
link="$work/qkjtag"
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT

# The simulated programmer (no line-rate emulation, so the run takes seconds).
./build/bin/qksim --link "$link" --baud 0 >"$work/qksim.out" &
sim=$!
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done

# A sample image: 48 KiB at 0x1000 as Intel Hex.
head -c 49152 /dev/urandom >"$work/sample.bin"
./build/bin/qkcli convert "$work/sample.bin" "$work/sample.hex" --start 0x1000

./build/bin/qkcli versions --port "$link"
echo
./build/bin/qkcli program --port "$link" --device PCD80710 --file "$work/sample.hex" --erase --delay 0
