#!/usr/bin/env bash
# Renders the dump editor under Xvfb into docs/dump-editor.png: a 128 KiB
# sample image from 0x10000 in the wide, 16-bit display with a selection in
# the hex column.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target qkdump

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A sample: a vector table, some code-like bytes and a text, the same every run.
python3 - "$work/sample.bin" <<'PY'
import random, sys
random.seed(14)
data = bytearray(random.randrange(256) for _ in range(0x20000))
data[0:32] = bytes([0x02, 0x01, 0x00, 0x00] * 8)
text = b"QK-JTAG dump editor: Hello, programmer! 0123456789 ABCDEF "
data[0x40:0x40 + len(text)] = text
data[0x100:0x140] = b"\xFF" * 0x40
open(sys.argv[1], "wb").write(data)
PY

mkdir -p docs
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ./build/bin/qkdump "$work/sample.bin" --start 0x10000 --unit 2 --hex \
  --select 0x10040:0x1005F --screenshot docs/dump-editor.png
