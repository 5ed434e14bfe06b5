#!/usr/bin/env bash
# Two stations on one PostgreSQL ledger: a throw-away server (initdb in a
# temporary folder, as an unprivileged user, a Unix socket and no TCP port),
# two qkcli processes programming 100 devices each at once, each device with
# the next value of one shared counter. The 200 values must all differ and
# the ledger must account for every one. Without PostgreSQL the test says
# so and is skipped (exit 77), never passed.
# Usage: pg-ledger.sh QKCLI QKSIM
set -euo pipefail
qkcli=$(realpath "$1")
qksim=$(realpath "$2")
per_station=${QK_PG_CYCLES:-100}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "SKIPPED: PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb); the shared ledger was not tested"
  exit 77
fi

work=$(mktemp -d)
sims=()
as_owner=()
# The server refuses to run as root: it runs as nobody, in a folder of its own.
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$work"
  as_owner=(runuser -u nobody --)
fi
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  "${as_owner[@]}" "$bin/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1 || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"${as_owner[@]}" "$bin/initdb" -D "$work/data" -U qk --auth=trust >"$work/initdb.log" 2>&1 ||
  fail "initdb: $(cat "$work/initdb.log")"
"${as_owner[@]}" "$bin/pg_ctl" -D "$work/data" -l "$work/server.log" -w -t 30 \
  -o "-k $work -c listen_addresses='' -c fsync=on" start >/dev/null || fail "the server did not start: $(cat "$work/server.log")"
ledger="postgresql:///postgres?host=$work&user=qk"

head -c 2048 /dev/urandom >"$work/image.bin"
start_sim() {
  "$qksim" --baud 0 --link "$work/$1" >/dev/null 2>&1 &
  sims+=($!)
  for _ in $(seq 100); do [ -e "$work/$1" ] && return; sleep 0.1; done
  fail "qksim $1 did not start"
}
start_sim station1
start_sim station2

# One station: per_station devices, one JSON result line each.
station() {
  for _ in $(seq "$per_station"); do
    "$qkcli" program --port "$work/$1" --device PCD80710 --file "$work/image.bin" --start 0 --stop 0x7FF --erase \
      --delay 0 --serial counter:1:1 --serial-at 0x40 --serial-width 3 --serial-format bcd --ledger "$ledger" \
      --json || echo "{\"failed\":$?}"
  done >"$work/$1.json" 2>"$work/$1.err"
}
station station1 &
first=$!
station station2
wait "$first"

total=$((2 * per_station))
cat "$work/station1.json" "$work/station2.json" >"$work/all.json"
ok=$(grep -c '"result":"ok"' "$work/all.json" || true)
[ "$ok" -eq "$total" ] || fail "$ok of $total cycles ended ok: $(grep -v '"result":"ok"' "$work/all.json" | head -3)"
values=$(grep -o '"serial":{"value":"[0-9]*"' "$work/all.json" | sort -u | wc -l)
[ "$values" -eq "$total" ] || fail "$values different values for $total devices"

"$qkcli" ledger export "$ledger" --csv >"$work/ledger.csv" || fail "ledger export"
rows=$(tail -n +2 "$work/ledger.csv" | wc -l)
verified=$(tail -n +2 "$work/ledger.csv" | cut -d, -f5 | grep -c '^verified$' || true)
places=$(tail -n +2 "$work/ledger.csv" | cut -d, -f2 | sort -n | uniq | wc -l)
last=$(tail -n +2 "$work/ledger.csv" | cut -d, -f2 | sort -n | tail -1)
[ "$rows" -eq "$total" ] && [ "$verified" -eq "$total" ] && [ "$places" -eq "$total" ] && [ "$last" -eq $((total - 1)) ] ||
  fail "the ledger holds $rows values, $verified verified, places 0..$last ($places different)"
"$qkcli" ledger show "$ledger" | grep -q '^Gaps:        none$' || fail "the ledger shows gaps"
both=$(tail -n +2 "$work/ledger.csv" | cut -d, -f8 | sort -u | wc -l)
[ "$both" -eq 2 ] || fail "the values came from $both ports, not 2"
echo "ok: $total devices on two stations, $total different values, all verified in one PostgreSQL ledger"
