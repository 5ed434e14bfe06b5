#!/usr/bin/env bash
# Sets up, builds and runs the main job without hardware: qksim, the
# simulated programmer, on a pseudo-terminal, and the desktop program qkprog
# connected to it as COM1, with a sample image ready to load. Without a
# display, qkcli programs the sample image into a simulated PCD80710 instead
# and prints the checksum.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

gui=no
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  gui=yes
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(qkcli qksim qkboot32)
[ "$gui" = yes ] && targets+=(qkprog)
cmake --build build --target "${targets[@]}"

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

if [ "$gui" = yes ]; then
  echo "qkprog is connected to the simulated programmer as COM1 ($link)."
  echo "Open -> Intel Hex -> $work/sample.hex, then Program; close the window to end."
  QKJTAG_COM1="$link" ./build/bin/qkprog /Com:1 /TDELAY:0
  exit 0
fi

echo "No display (DISPLAY is not set): the desktop program needs one, so qkcli runs the demonstration."
echo
./build/bin/qkcli versions --port "$link"
echo
./build/bin/qkcli program --port "$link" --device PCD80710 --file "$work/sample.hex" --erase --delay 0
