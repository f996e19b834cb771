# Shared set-up of run.sh and test.sh: install what is missing, then configure.
# Sourced, not run.

FOTARIUM_PACKAGES="cmake g++ pkg-config libjpeg62-turbo-dev libxml2-dev libfmt-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev qt6-base-dev qt6-translations-l10n desktop-file-utils appstream ccache qt6-l10n-tools qt6-tools-dev help2man libimage-exiftool-perl exiv2 libxml2-utils"

fotarium_missing_packages() {
  local missing=""
  for p in $FOTARIUM_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  echo "$missing"
}

fotarium_install_packages() {
  local missing
  missing=$(fotarium_missing_packages)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages:$missing" >&2
    echo "Install them as root: apt-get install$missing" >&2
    exit 1
  fi
  echo "Installing Debian packages:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  # shellcheck disable=SC2086
  apt-get install -y -qq $missing >/dev/null || { echo "apt-get install failed for:$missing" >&2; exit 1; }
}

fotarium_jobs() {
  local n
  n=$(nproc 2>/dev/null || echo 2)
  echo "$n"
}

# Compiler cache: objects are reused across checkouts of the project (paths are
# hashed relative to the checkout), which keeps repeated sanitizer builds short.
fotarium_use_ccache() {
  if command -v ccache >/dev/null 2>&1; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
  fi
}
