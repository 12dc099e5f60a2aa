#!/usr/bin/env bash
# Configures and builds by preset (CMakePresets.json), with the output in a
# log inside the build folder, and prints a script's help.  Meant to be
# sourced:
#
#   source scripts/lib/build.sh
#   quelvor_build PRESET [TARGET...] [-- CMAKE_ARGS...]
#                              # configure and build; the folder the preset
#                              # gives is then in QUELVOR_BUILD_DIR
#   quelvor_configure PRESET [CMAKE_ARGS...]   # the configure step alone
#   quelvor_build_targets PRESET [TARGET...]   # the build step alone
#   quelvor_jobs               # parallel jobs: QUELVOR_JOBS or the processors
#   quelvor_help "$0"          # a script's header comment, as its help
#
# QUELVOR_SOURCE_ROOT, where set, is the source tree to build instead of
# this one (another revision's sources, say).
#
# Logs: BUILD_DIR/configure.log and BUILD_DIR/build.log.  On a failure the
# configure log, or the failing part of the build log, goes to stderr.

_qv_build_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

_qv_blog() { printf '[build] %s\n' "$*" >&2; }

quelvor_jobs() {
  local n=${QUELVOR_JOBS:-}
  [[ $n =~ ^[1-9][0-9]*$ ]] || n=$(nproc 2>/dev/null || getconf _NPROCESSORS_ONLN 2>/dev/null || echo 1)
  printf '%s\n' "$n"
}

# The header comment of a script: the comment lines after the first one,
# up to the first line that is not a comment, without their "# ".
quelvor_help() {  # script
  awk 'NR == 1 { next } /^#/ { sub(/^# ?/, ""); print; next } { exit }' "$1"
}

quelvor_configure() {  # preset [cmake args...]
  local preset=$1 log dir
  shift
  log=$(mktemp -t quelvor-configure.XXXXXX)
  if ! (cd "${QUELVOR_SOURCE_ROOT:-$_qv_build_root}" && cmake --preset "$preset" "$@") >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    _qv_blog "$preset: configure failed"
    return 1
  fi
  dir=$(sed -n 's/^-- Build files have been written to: //p' "$log" | tail -n1)
  if [[ -z $dir || ! -d $dir ]]; then
    cat "$log" >&2
    rm -f "$log"
    _qv_blog "$preset: configure named no build folder"
    return 1
  fi
  mv "$log" "$dir/configure.log"
  QUELVOR_BUILD_DIR=$dir
}

quelvor_build_targets() {  # preset [targets...]
  local preset=$1 jobs dir=${QUELVOR_BUILD_DIR:?configure first}
  shift
  local -a targets=()
  (($#)) && targets=(--target "$@")
  jobs=$(quelvor_jobs)
  _qv_blog "$preset: building ${*:-the preset targets} with $jobs jobs (log: $dir/build.log)"
  if ! (cd "${QUELVOR_SOURCE_ROOT:-$_qv_build_root}" && cmake --build --preset "$preset" -j "$jobs" "${targets[@]}") \
       >"$dir/build.log" 2>&1; then
    { grep -E -A8 'FAILED|error' "$dir/build.log" || tail -n 40 "$dir/build.log"; } | head -n 80 >&2
    _qv_blog "$preset: build failed (log: $dir/build.log)"
    return 1
  fi
}

quelvor_build() {  # preset [targets...] [-- cmake args...]
  local preset=$1
  shift
  local -a targets=()
  while (($#)) && [[ $1 != -- ]]; do targets+=("$1"); shift; done
  (($#)) && shift
  quelvor_configure "$preset" "$@" && quelvor_build_targets "$preset" "${targets[@]}"
}
