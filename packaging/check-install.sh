#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks that the installed
# programs work from there and nowhere else: qkcli devices, a program run on
# the demo protocol, a firmware update over qksim (the boot library found at
# its installed place), no path into the build or source tree, the manual
# pages' option lists against --help, the desktop entry; then builds the
# Debian package and checks its file list and lintian.
#
#   packaging/check-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
sim=
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
bin="$prefix/bin"
cd "$work" # nothing is found through the current folder

# The installed programs run on their own.
"$bin/qkcli" devices | grep -q "PCD80710" || fail "qkcli devices lists no PCD80710"
head -c 2048 /dev/urandom > "$work/image.bin"
"$bin/qkcli" program --demo --device PCD80710 --file "$work/image.bin" --start 0 --stop 0x7FF --delay 0 \
  | grep -q "program: ok" || fail "qkcli program --demo failed"

# A firmware update from the installed tree: qksim answers as the boot
# monitor, the installed communication library loads the boot library from
# beside itself and sends the image.
"$bin/qksim" --link "$work/qk" --baud 0 --boot-monitor --boot-image "$work/received.bin" >/dev/null &
sim=$!
for _ in $(seq 50); do [ -e "$work/qk" ] && break; sleep 0.1; done
"$bin/qkcli" versions --port "$work/qk" | grep -q "Device:   QKJTAG" || fail "no programmer after the update"
[ -s "$work/received.bin" ] || fail "qksim received no firmware image"
kill "$sim"; wait "$sim" 2>/dev/null || true; sim=

# No path into the build or source tree; library paths relative to $ORIGIN.
for f in "$bin"/* "$prefix"/lib/qk-jtag/*.so; do
  readelf -d "$f" | grep -E 'R(UN)?PATH' | grep -qv '\$ORIGIN' && fail "$f has a search path outside \$ORIGIN"
  strings -a "$f" | grep -qF -e "$build" -e "$source_dir" && fail "$f names the build or source tree"
done

# Manual pages: every option a command's --help lists is in the page, and
# every option in the page is one qkcli or qksim takes.
# (The examples are left out: they may show another program's options.)
man_options() {
  gzip -dc "$prefix/share/man/man1/$1.1.gz" | awk '/^\.SH "?EXAMPLES/ { skip = 1; next } /^\.SH/ { skip = 0 } !skip' \
    | grep -o -- '--[a-z][a-z0-9-]*' | sort -u
}
help_options() { "$@" 2>/dev/null | grep -o -- '--[a-z][a-z0-9-]*' | sort -u; }
qkcli_help=$(for c in devices info convert program verify read blank-check erase checksum versions ports link-test ledger project; do
  help_options "$bin/qkcli" "$c" --help; done; echo --help; echo --version)
diff <(echo "$qkcli_help" | sort -u) <(man_options qkcli) || fail "qkcli(1) and qkcli --help list other options"
diff <(help_options "$bin/qksim" --help) <(man_options qksim) || fail "qksim(1) and qksim --help list other options"
if [ -x "$bin/qkprog" ]; then
  diff <(QT_QPA_PLATFORM=offscreen "$bin/qkprog" --help | grep -oE '[/-][A-Za-z]+:?' | sort -u) \
       <(gzip -dc "$prefix/share/man/man1/qkprog.1.gz" | grep -oE '\\?[/-][A-Za-z]+:?' | sort -u) \
    || fail "qkprog(1) and qkprog --help list other switches"
fi

# The desktop entry.
for desktop in "$prefix"/share/applications/*.desktop; do
  [ -e "$desktop" ] || continue
  desktop-file-validate "$desktop" || fail "$desktop is not valid"
done

# The Debian package: its files, and no lintian error.
packages="$work/packages"
cpack --config "$build/CPackConfig.cmake" -B "$packages" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$packages"/qk-jtag_*_amd64.deb)
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for expected in ./usr/bin/qkcli ./usr/bin/qksim ./usr/lib/qk-jtag/libqkcom32.so ./usr/lib/qk-jtag/libqkboot32.so \
  ./usr/lib/qk-jtag/libqkdb32.so ./usr/lib/qk-jtag/libqkerr32.so ./usr/share/man/man1/qkcli.1.gz \
  ./usr/share/bash-completion/completions/qkcli ./usr/share/doc/qk-jtag/copyright; do
  echo "$files" | grep -qx "$expected" || fail "the package lacks $expected"
done
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "the package's Depends were not computed"
if lintian --suppress-tags maintscript-calls-ldconfig "$deb" 2>/dev/null | grep '^E:'; then
  fail "lintian found errors"
fi
echo "check-install: $(basename "$deb") and the installed tree are fine"
