#!/usr/bin/env bash
# qkcli.exe under wine against the Linux qksim: each simulated programmer
# serves a pseudo-terminal that wine maps to a COM port (COM21 and up; wine
# gives the low numbers to the machine's own serial lines). Checks what
# reached the device in qksim's memory and frame log.
# Usage: wine-e2e.sh WINDOWS_BUILD_DIR QKSIM
set -euo pipefail
win=$(realpath "$1")
qksim=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
source "$here/../../scripts/wine-env.sh" "$win"
qkcli="$win/bin/qkcli.exe"

work=$(mktemp -d)
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

# start_sim NAME ARGS...: a qksim of its own session (it owns its terminal,
# so wineserver does not take it); its terminal's path in $work/NAME.pty.
start_sim() {
  local name=$1; shift
  setsid "$qksim" --baud 0 "$@" >"$work/$name.out" 2>"$work/$name.err" &
  sims+=($!)
  for _ in $(seq 100); do
    [ -s "$work/$name.out" ] && { head -1 "$work/$name.out" >"$work/$name.pty"; return; }
    sleep 0.1
  done
  fail "qksim $name printed no terminal within 10 s: $(cat "$work/$name.err")"
}
# stop_sim NAME: ends it, so that it writes its dumps.
stop_sim() {
  local i=$1
  kill "${sims[$i]}"
  for _ in $(seq 100); do kill -0 "${sims[$i]}" 2>/dev/null || return 0; sleep 0.1; done
  fail "qksim did not end within 10 s"
}

cd "$work"
start_sim good --dump good-device.bin --frame-log good-frames.log
start_sim boot --boot-monitor --boot-image firmware.bin
start_sim drop --fault drop-after=12
start_sim slow --baud 9600
start_sim link --reply-delay-ms 8
# wine reads its port map when its server starts. The server and the
# services it starts outlive the call that started them and keep its output
# open: they get none, so that nothing here waits for them.
quiet() { "$@" </dev/null >/dev/null 2>&1; }
for port in good:COM21 boot:COM22 drop:COM23 slow:COM24 link:COM25; do
  quiet wine reg add 'HKLM\Software\Wine\Ports' /v "${port#*:}" /t REG_SZ /d "$(cat "${port%%:*}.pty")" /f
done
quiet wineserver -k || true
quiet wineserver -w
qk_wine_start
quiet wine reg query 'HKLM\Software\Wine\Ports'

# qkcli.exe ARGS...: its output (both streams) in $out, its status returned.
# wine reports a Windows program's exit status; a 32-bit program would end
# with 0 and say nothing, so every check below also looks at the output.
cli() {
  local status=0
  timeout 60 wine "$qkcli" "$@" </dev/null >"$work/cli.out" 2>&1 || status=$?
  out=$(cat "$work/cli.out")
  return $status
}

# The ports come from the registry's SERIALCOMM, where wine lists its map;
# an FTDI adapter's latency timer from its device parameters.
ftdi='HKLM\SYSTEM\CurrentControlSet\Enum\FTDIBUS\VID_0403+PID_6001+QK000001A\0000\Device Parameters'
quiet wine reg add "$ftdi" /v PortName /t REG_SZ /d COM25 /f
quiet wine reg add "$ftdi" /v LatencyTimer /t REG_DWORD /d 16 /f
cli ports || fail "ports: $out"
[[ $out == *COM21* && $out == *COM24* ]] || fail "the ports listed are: $out"
[[ $(grep COM25 <<<"$out") == *"low latency off (latency timer 16 ms)"* ]] || fail "COM25's latency timer: $out"
pass "ports: $(echo $out)"

# qksim holds each reply 8 ms, as that adapter would: link-test names it.
cli link-test --port COM25 || fail "link-test: $out"
[[ $out == *"Read back:  the bytes written"* && $out == *"latency timer 16 ms"* ]] || fail "link-test said: $out"
[[ $out == *"Slow line:"*"Latency Timer (msec) 1"* ]] || fail "link-test gave no advice: $out"
pass "link-test over COM25: $(grep Status: <<<"$out")"

# A name beyond ASCII, as Windows users name their files.
image="Prüfung.bin"
head -c 8192 /dev/urandom >"$image"
cli program --port COM21 --device PCD80710 --file "$image" --start 0 --stop 0x1FFF --erase || fail "program: $out"
[[ $out == *"program: ok"* ]] || fail "program said: $out"
pass "program over COM21: $out"

cli verify --port COM21 --device PCD80710 --file "$image" --start 0 --stop 0x1FFF || fail "verify: $out"
[[ $out == *"verify: ok"* ]] || fail "verify said: $out"
pass "verify"

cli read --port COM21 --device PCD80710 --start 0 --stop 0x1FFF --file "zurück.bin" || fail "read: $out"
cmp "$image" "zurück.bin" || fail "the bytes read back differ from the image"
pass "read back byte for byte"

cli checksum --port COM21 --device PCD80710 --start 0 --stop 0x1FFF --json || fail "checksum: $out"
sum=$(od -An -v -tu1 "$image" | tr -s ' ' '\n' | awk 'NF { s += $1 } END { printf "%04X", s % 65536 }')
[[ $out == *"\"checksum\":\"$sum\""* ]] || fail "checksum $sum expected, got: $out"
pass "checksum $sum"

# What reached the device: qksim's memory, and in its frame log the whole
# image in memory writes (the data count is their ninth byte) before the
# first program order.
stop_sim 0
cmp -n 8192 "$image" good-device.bin || fail "the device memory differs from the image"
first_program=$(grep -n '^RX .. 01 10' good-frames.log | head -1 | cut -d: -f1)
[ -n "$first_program" ] || fail "no program order in the frame log"
written=0
while read -r _ _ _ _ _ _ _ _ _ count _; do
  written=$((written + 16#$count))
done < <(head -n "$first_program" good-frames.log | grep '^RX .. 03 20 00 ')
[ "$written" -eq 8192 ] || fail "$written bytes written before the program order, not 8192"
pass "device memory and frame order"

# A line that goes dead in the middle of an order is a communication error.
status=0
cli read --port COM23 --device PCD80710 --file dropped.bin || status=$?
[ "$status" -eq 3 ] || fail "a dropped line ended with $status, not 3: $out"
pass "dropped line: exit 3"

# Ctrl-C (wine turns SIGINT into the console's Ctrl-C event) stops a read
# over a slow line: exit 4, and no half-written file.
wine "$qkcli" read --port COM24 --device PCD80710 --file stopped.bin </dev/null >stopped.out 2>&1 &
reader=$!
sleep 2
kill -INT "$(pgrep -f 'qkcli.exe read --port COM24')" || fail "the read over COM24 ended early: $(cat stopped.out)"
for _ in $(seq 100); do kill -0 "$reader" 2>/dev/null || break; sleep 0.1; done
kill -0 "$reader" 2>/dev/null && fail "Ctrl-C did not stop the read within 10 s"
status=0
wait "$reader" || status=$?
[ "$status" -eq 4 ] && grep -q "aborted" stopped.out || fail "Ctrl-C ended with $status: $(cat stopped.out)"
[ -z "$(ls -A | grep -e stopped.bin -e '^\.qk-')" ] || fail "a stopped read left a file behind"
pass "Ctrl-C: exit 4, nothing written"

# A programmer in its boot monitor gets its firmware through qkboot32.dll,
# loaded at run time.
cli checksum --port COM22 --device PCD80710 --json || fail "checksum after an update: $out"
[[ $out == *'"firmware_update":{"from":"boot monitor","to":"QKJTAG 1.50"}'* ]] || fail "no firmware update: $out"
[ -s firmware.bin ] || fail "the boot monitor received no image"
pass "firmware update through qkboot32.dll"

# A COM port the system does not have.
status=0
cli checksum --port COM29 --device PCD80710 || status=$?
[ "$status" -eq 3 ] && [[ $out == *"COM29"* ]] || fail "COM29 ended with $status: $out"
pass "no such port: exit 3"
