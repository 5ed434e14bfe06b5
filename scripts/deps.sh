# Installs the Debian packages the build and the tests need, when any is
# missing. Sourced by test.sh and run.sh; quiet when everything is there.

QK_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  srecord
  libsqlite3-dev libpq-dev postgresql
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev
  xvfb xauth fonts-dejavu-core
  scdoc lintian dpkg-dev desktop-file-utils binutils file
  g++-mingw-w64-x86-64-posix wine wine64 nsis
)

qk_install_missing() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

qk_install_missing "${QK_PACKAGES[@]}"
