#!/usr/bin/env bash
# Renders the README's pictures of qkprog into docs/ under a virtual X server:
# the main window connected to qksim with a PCD80710 and data loaded, while
# Program runs (Cancel over its slot), the same
# after a verify failure, the error dialog of that failure, the Load File
# dialog and the tip box.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target qkshots qksim

settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
# A settings file of its own: the pictures never depend on a user's settings.
QKJTAG_SETTINGS="$settings/settings.ini" \
  xvfb-run -a -s "-screen 0 1280x1024x24" ./build/bin/qkshots docs
