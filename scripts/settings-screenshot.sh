#!/usr/bin/env bash
# Renders the settings dialog's three pages under Xvfb into docs/:
# settings-devices.png, settings-options.png, settings-about.png and
# settings-sound-file.png (the "Select Sound File" chooser), with
# qksim as the programmer on COM1, the crystal field shown ("FREQ") and a
# wave file chosen for the start-up sound.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target qksetdlg qksim

work=$(mktemp -d)
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The start-up sound's folder, with a few wave files for the chooser's picture.
sounds="$work/sounds/production/line-3"
mkdir -p "$sounds"
for name in startup-chime ready failed abort; do printf 'RIFF' > "$sounds/$name.wav"; done
cat > "$work/settings.ini" <<INI
[Actions Sounds]
Startup="2,$sounds/startup-chime.wav"
Ready="1,"
[Device History]
Device#1="PHILIPS PCD80712"
Device#2="PHILIPS PCD80710"
INI

# A short link name, so the port reads well in the picture.
link=/tmp/qksim-com1
./build/bin/qksim --link "$link" >"$work/qksim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done

mkdir -p docs
QKJTAG_SETTINGS="$work/settings.ini" xvfb-run -a -s "-screen 0 1280x1024x24" \
  ./build/bin/qksetdlg --port "$link" --com 1 --device 2 --freq --screenshot docs
