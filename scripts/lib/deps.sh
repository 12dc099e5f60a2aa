#!/usr/bin/env bash
# Installs what the project needs on a Debian 12 machine, as root, and skips
# whatever is already there (a run on a complete machine takes a second).
#
#   source scripts/lib/deps.sh; quelvor_deps_native   # build and run natively
#   source scripts/lib/deps.sh; quelvor_deps_all      # everything the tests need
#   source scripts/lib/deps.sh; quelvor_deps_fuzz     # one script's group (windows,
#                                                     # fuzz, sanitize, package, bench)
#   scripts/lib/deps.sh [GROUP|list]                  # the same, as a command
#
# The one list of packages: add a package here and every script gets it.

# The clang that the fuzz and tsan presets call ("clang", the distribution's
# default: 14 on Debian 12); its sanitizer and fuzzer runtimes come in the
# package of the same version.
QUELVOR_CLANG_VERSION=14

# Native build and the quelvor host.
QUELVOR_PKGS_NATIVE=(
  cmake
  ninja-build
  g++
  libcli11-dev
)

# The native suites.
QUELVOR_PKGS_TESTS=(
  googletest
  binutils
)

# The Windows cross builds and wine on a virtual display with Chinese fonts.
# wine32 runs the shipped 32-bit build where the kernel runs 32-bit programs;
# wine64 with the 64-bit MinGW build stands in where it does not.
QUELVOR_PKGS_WINDOWS=(
  g++-mingw-w64-i686
  g++-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix
  wine
  wine32:i386
  wine64
  xvfb
  xauth
  x11-utils
  fonts-wqy-microhei
  locales
  libc-bin
)

# clang with its sanitizer and fuzzer runtimes (fuzz and tsan presets).
QUELVOR_PKGS_CLANG=(
  clang
  "libclang-rt-$QUELVOR_CLANG_VERSION-dev"
)

# Checks of the zip and the .deb.
QUELVOR_PKGS_PACKAGE=(
  dpkg-dev
  file
  lintian
  unzip
)

# Benchmarks (dpkg-dev: the source package of Google Benchmark for MinGW).
QUELVOR_PKGS_BENCH=(
  libbenchmark-dev
  dpkg-dev
)

# Everything: tests, cross builds, benchmarks, sanitizers and fuzzing,
# screenshots.
QUELVOR_PKGS_ALL=(
  "${QUELVOR_PKGS_NATIVE[@]}"
  "${QUELVOR_PKGS_TESTS[@]}"
  "${QUELVOR_PKGS_WINDOWS[@]}"
  "${QUELVOR_PKGS_BENCH[@]}"
  "${QUELVOR_PKGS_CLANG[@]}"
  valgrind
  imagemagick
  "${QUELVOR_PKGS_PACKAGE[@]}"
)

quelvor_log() { printf '[deps] %s\n' "$*" >&2; }

# Prints the packages of the arguments that are not installed.
quelvor_missing_pkgs() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [[ $status == installed ]] || printf '%s\n' "$p"
  done
}

quelvor_as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"
  elif command -v sudo >/dev/null 2>&1; then sudo "$@"
  else quelvor_log "need root for: $*"; return 1
  fi
}

# apt-get update; answers 1 when some index could not be fetched (a mirror in
# the middle of a sync serves an index of the wrong size, for one
# architecture only), so that an install that then fails knows why.
quelvor_apt_update() {
  local out rc
  out=$(quelvor_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q 2>&1)
  rc=$?
  printf '%s\n' "$out" | grep -vE '^(Get|Hit|Ign):' >&2
  ((rc == 0)) || return 1
  ! grep -qE '^(E|W): (Failed to fetch|Some index files failed)' <<<"$out"
}

quelvor_apt_install() {  # [apt-get options] packages...
  quelvor_as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "$@"
}

# The distribution's base release (bookworm on Debian 12).
quelvor_base_release() {
  (. /etc/os-release 2>/dev/null && printf '%s\n' "${VERSION_CODENAME:-}")
}

# Installs the packages given that are missing; apt-get update only then.
# A mirror in the middle of a sync can serve lists that do not fetch, or
# amd64 and i386 lists of different versions, so that packages that must
# match between the architectures (wine's) cannot be installed together.
# Each failed round is followed by one with the base release as the target
# release (amd64 and i386 from one suite); then, after a pause that grows,
# the lists are fetched again and the next round starts.
# QUELVOR_APT_ROUNDS (default 3) and QUELVOR_APT_PAUSE (seconds, default 20).
quelvor_install_pkgs() {
  local need_i386=0 p
  for p in "$@"; do [[ $p == *:i386 ]] && need_i386=1; done
  if (( need_i386 )) && ! dpkg --print-foreign-architectures | grep -qx i386; then
    quelvor_log "adding the i386 architecture"
    quelvor_as_root dpkg --add-architecture i386
  fi
  local -a missing
  mapfile -t missing < <(quelvor_missing_pkgs "$@")
  (( ${#missing[@]} == 0 )) && return 0
  quelvor_log "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  local rounds=${QUELVOR_APT_ROUNDS:-3} pause=${QUELVOR_APT_PAUSE:-20} round release
  release=$(quelvor_base_release)
  for ((round = 1; round <= rounds; round++)); do
    quelvor_apt_update || quelvor_log "some package lists could not be fetched"
    if quelvor_apt_install "${missing[@]}"; then
      (( round == 1 )) || quelvor_log "installed in round $round"
      break
    fi
    if [[ -n $release ]]; then
      quelvor_log "retrying with the base release '$release' as the target release (amd64 and i386 from one suite)"
      if quelvor_apt_install -t "$release" "${missing[@]}"; then
        quelvor_log "installed from the base release '$release'"
        break
      fi
    fi
    if (( round < rounds )); then
      quelvor_log "install failed (round $round of $rounds): the mirror may be between two syncs; fetching the lists again in $((pause * round))s"
      sleep $((pause * round))
    fi
  done
  mapfile -t missing < <(quelvor_missing_pkgs "$@")
  if (( ${#missing[@]} )); then
    quelvor_log "still missing after install: ${missing[*]}"
    return 1
  fi
}

# Generates a UTF-8 locale (quelvor_locale zh_CN) unless it is there.
quelvor_locale() {
  local name=$1
  if locale -a 2>/dev/null | grep -qiE "^${name}\.utf-?8\$"; then return 0; fi
  quelvor_log "generating the ${name}.UTF-8 locale"
  if [[ -f /etc/locale.gen ]] && grep -qE "^#\s*${name}\.UTF-8 UTF-8" /etc/locale.gen; then
    quelvor_as_root sed -i -E "s/^#\s*(${name}\.UTF-8 UTF-8)/\1/" /etc/locale.gen
  elif ! grep -qE "^${name}\.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null; then
    echo "${name}.UTF-8 UTF-8" | quelvor_as_root tee -a /etc/locale.gen >/dev/null
  fi
  quelvor_as_root locale-gen >/dev/null
  locale -a 2>/dev/null | grep -qiE "^${name}\.utf-?8\$"
}

# zh_CN.UTF-8, so that wine runs with the ANSI code page 936 (GB2312/GBK).
quelvor_locale_zh() { quelvor_locale zh_CN; }

# en_US.UTF-8, for the one test that runs wine with the ANSI code page 1252.
quelvor_locale_en() { quelvor_locale en_US; }

# Headless Chromium, for the picture of the HTML report in scripts/screenshot
# only: no test needs it, so it is in no list above.
quelvor_deps_chromium() {
  quelvor_install_pkgs chromium
}

# What scripts/run needs.
quelvor_deps_native() {
  quelvor_install_pkgs "${QUELVOR_PKGS_NATIVE[@]}"
}

# The Windows builds and the wine environment.
quelvor_deps_windows() {
  quelvor_install_pkgs "${QUELVOR_PKGS_NATIVE[@]}" "${QUELVOR_PKGS_WINDOWS[@]}" &&
    quelvor_locale_zh && quelvor_locale_en
}

# scripts/fuzz.
quelvor_deps_fuzz() {
  quelvor_install_pkgs "${QUELVOR_PKGS_NATIVE[@]}" "${QUELVOR_PKGS_CLANG[@]}"
}

# scripts/sanitize: GCC's sanitizers, clang's ThreadSanitizer, valgrind.
quelvor_deps_sanitize() {
  quelvor_install_pkgs "${QUELVOR_PKGS_NATIVE[@]}" "${QUELVOR_PKGS_TESTS[@]}" \
    "${QUELVOR_PKGS_CLANG[@]}" valgrind
}

# scripts/package: both Release builds and the checks of their packages.
quelvor_deps_package() {
  quelvor_install_pkgs "${QUELVOR_PKGS_NATIVE[@]}" g++-mingw-w64-i686 g++-mingw-w64-i686-posix \
    "${QUELVOR_PKGS_PACKAGE[@]}"
}

# scripts/bench: natively, or with "windows" the MinGW builds under wine too.
quelvor_deps_bench() {  # [windows]
  quelvor_install_pkgs "${QUELVOR_PKGS_NATIVE[@]}" "${QUELVOR_PKGS_BENCH[@]}" || return 1
  [[ ${1:-} != windows ]] || quelvor_deps_windows
}

# What scripts/test and scripts/screenshot need.
quelvor_deps_all() {
  quelvor_install_pkgs "${QUELVOR_PKGS_ALL[@]}" && quelvor_locale_zh && quelvor_locale_en
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  group=${1:-all}
  case $group in
    native|windows|fuzz|sanitize|package|bench|all|chromium) "quelvor_deps_$group" ;;
    list) printf '%s\n' "${QUELVOR_PKGS_ALL[@]}" | awk '!seen[$0]++' ;;
    -h|--help) source "$(dirname "$0")/build.sh"; quelvor_help "$0" ;;
    *) echo "usage: $0 [native|windows|fuzz|sanitize|package|bench|all|chromium|list]" >&2; exit 2 ;;
  esac
fi
