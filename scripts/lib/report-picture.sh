#!/usr/bin/env bash
# The picture of the calibration report of the example history, rendered by
# headless Chromium into docs/report.png.  scripts/screenshot runs it after
# the dialog pictures; it also runs alone:
#
#   scripts/lib/report-picture.sh [NATIVE_BUILD_DIR]
#
# NATIVE_BUILD_DIR: a native build with bin/quelvor (default: build if it has
# one, else that of the report preset, configured and built here).
quelvor_report_picture() {
  local root build html out
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  # shellcheck source=deps.sh
  source "$root/scripts/lib/deps.sh"
  # shellcheck source=build.sh
  source "$root/scripts/lib/build.sh"
  quelvor_deps_native
  quelvor_deps_chromium
  build=${1:-$root/build${QUELVOR_BUILD_SUFFIX:-}}
  if [[ ! -x $build/bin/quelvor ]]; then
    if [[ -n ${1:-} ]]; then echo "no bin/quelvor in $build" >&2; return 2; fi
    quelvor_build report quelvor Quelvor || return 1
    build=$QUELVOR_BUILD_DIR
  fi
  local tmp
  tmp=$(mktemp -d)
  html=$tmp/report.html
  # From the tree's root, so that the report names the history as the README does.
  (cd "$root" && "$build/bin/quelvor" calibrate --history examples/history/history.csv --holdout 5 \
     --html "$html" >/dev/null)
  local -a flags=(--headless --disable-gpu --hide-scrollbars --window-size=1000,1640
                  --force-device-scale-factor=1 --user-data-dir="$tmp/profile")
  [[ $(id -u) -eq 0 ]] && flags+=(--no-sandbox)  # Chromium's sandbox refuses to run as root
  mkdir -p "$root/docs"
  out=$root/docs/report.png
  chromium "${flags[@]}" --screenshot="$out" "file://$html" >/dev/null 2>&1
  rm -rf "$tmp"
  [[ -s $out ]] || { echo "no picture of the report" >&2; return 1; }
  echo "docs/report.png"
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  case ${1:-} in
    -h|--help) source "$(dirname "$0")/build.sh"; quelvor_help "$0"; exit 0 ;;
  esac
  quelvor_report_picture "$@"
fi
