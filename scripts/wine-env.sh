# Sourced with the Windows build folder as $1: runs wine in a private prefix
# inside that folder, quietly, and without the parts of wine that would
# write into the user's home (menus, .NET, the HTML engine).
export WINEPREFIX="$(realpath "$1")/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

# Keeps one wine server running for a minute after its last program (each
# program then starts in a fiftieth of a second instead of a second), and
# starts wine's services with it. They outlive the program that starts them
# and keep its output open: started here, they get none, so that ctest or a
# script never waits for them.
qk_wine_start() {
  wineserver -p 60 </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
}
