#!/usr/bin/env bash
# Builds the release and starts the desktop program on the given pictures when a display
# is present; otherwise runs the command-line tool on the given pictures, or on
# the project's own sample pictures (made at build time) when none are given.
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts-common.sh
fotarium_install_packages
fotarium_use_ccache

cmake --preset release >/dev/null
cmake --build --preset release -j"$(fotarium_jobs)" >/dev/null

CLI=build/release/cli/fotarium-cli
if [ "$#" -eq 0 ]; then
  SAMPLES=build/release/samples
  mkdir -p "$SAMPLES"
  build/release/samples/make-samples "$SAMPLES"
  set -- "$SAMPLES"/*.jpg
fi

# With a display, the desktop program takes the files like a drop.
GUI=build/release/app/fotarium
if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$GUI" ]; then
  exec "$GUI" "$@"
fi

"$CLI" segments "$@"
for cmd in tags iptc xmp info; do
  if "$CLI" "$cmd" --help >/dev/null 2>&1; then
    echo
    "$CLI" "$cmd" "$@" || true
  fi
done
