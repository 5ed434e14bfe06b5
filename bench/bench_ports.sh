#!/usr/bin/env bash
# Several programmers at once against one: the wall time of "qkcli program"
# of the same image into one qksim, then into four at once (each at 115200
# baud, with a serial value from one ledger), three runs each; prints the
# median times and their ratio.
#   bench/bench_ports.sh BUILD_DIR [KIB]      (64 KiB by default)
set -euo pipefail
bin=$(realpath "$1")/bin
kib=${2:-64}
work=$(mktemp -d)
sims=()
cleanup() { for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

for n in 1 2 3 4; do
  "$bin/qksim" --baud 115200 --link "$work/port$n" >/dev/null 2>&1 &
  sims+=($!)
done
for n in 1 2 3 4; do for _ in $(seq 100); do [ -e "$work/port$n" ] && break; sleep 0.1; done; done
head -c $((kib * 1024)) /dev/urandom >"$work/image.bin"
stop=$(printf '0x%X' $((kib * 1024 - 1)))

run() { # PORTS...: seconds of one program run on them
  local args=() start end
  for p in "$@"; do args+=(--port "$work/$p"); done
  start=$(date +%s.%N)
  "$bin/qkcli" program "${args[@]}" --device PCD80710 --file "$work/image.bin" --start 0 --stop "$stop" --erase \
    --serial counter:1 --serial-at 0x10 --serial-width 4 --ledger "$work/bench.ledger" --quiet
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
one=$(median "$(run port1)" "$(run port1)" "$(run port1)")
four=$(median "$(run port1 port2 port3 port4)" "$(run port1 port2 port3 port4)" "$(run port1 port2 port3 port4)")
printf 'program %d KiB at 115200 baud: 1 port %.2f s, 4 ports at once %.2f s, ratio %.3f\n' \
  "$kib" "$one" "$four" "$(awk -v a="$four" -v b="$one" 'BEGIN { print a / b }')"
