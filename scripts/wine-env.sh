# Sourced with the Windows build folder as $1: runs wine in a private prefix
# inside that folder, quietly, and without the parts of wine that would
# write into the user's home (menus, .NET, the HTML engine).
export WINEPREFIX="$(realpath "$1")/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
