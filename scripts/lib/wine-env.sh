#!/usr/bin/env bash
# The environment in which the Windows builds run under wine: a wine prefix
# made once and reused, wine's ANSI code page 936 (GB2312/GBK), Chinese fonts
# behind the dialog font names, one persistent wineserver per run and a
# virtual X display.  Meant to be sourced:
#
#   source scripts/lib/wine-env.sh
#   quelvor_wine_env_start      # exports WINEPREFIX, WINEARCH, WINEDEBUG, LANG,
#                               # LC_ALL, DISPLAY, QUELVOR_WINE; stops all at exit
#   "$QUELVOR_WINE" some.exe ...
#   quelvor_wine_env_stop       # optional: also runs at exit
#
# The run's locale is zh_CN.UTF-8 (code page 936).  A test that needs another
# ANSI code page sets its own locale for its process only: wine in an
# en_US.UTF-8 locale (scripts/lib/deps.sh generates it) uses code page 1252.
#
# Two modes.  win32: a 32-bit prefix for the shipped 32-bit build (needs a
# kernel that runs 32-bit programs, which wine32 itself is).  win64: a 64-bit
# prefix with the 64-bit loader, for kernels without 32-bit support; there the
# Windows suites run from the 64-bit MinGW build.  quelvor_wine_mode tells
# which one this machine gets.
#
# Settings (environment): QUELVOR_WINE_MODE (win32 or win64; default: win32
# where it works), QUELVOR_WINEPREFIX (default $XDG_CACHE_HOME/quelvor/wine-MODE
# or ~/.cache/quelvor/wine-MODE), QUELVOR_XVFB_SCREEN (default 1280x1024x24).

QUELVOR_WINE32_LOADER=${QUELVOR_WINE32_LOADER:-/usr/lib/wine/wine}
QUELVOR_WINE64_LOADER=${QUELVOR_WINE64_LOADER:-/usr/lib/wine/wine64}

# True when this machine can run the 32-bit wine loader.
quelvor_wine_can_run32() {
  [[ -x $QUELVOR_WINE32_LOADER ]] && "$QUELVOR_WINE32_LOADER" --version >/dev/null 2>&1
}

# win32 or win64: the mode this machine gets (QUELVOR_WINE_MODE wins).
quelvor_wine_mode() {
  if [[ -n ${QUELVOR_WINE_MODE:-} ]]; then echo "$QUELVOR_WINE_MODE"
  elif quelvor_wine_can_run32; then echo win32
  else echo win64
  fi
}

QUELVOR_WINE_FONT="WenQuanYi Micro Hei"
# The face names the dialogs and the system use, and the Chinese ones.
QUELVOR_WINE_FONT_SUBSTITUTES=("SimSun" "宋体" "NSimSun" "新宋体" "MS Sans Serif"
                               "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma")
# Raise when the prefix setup below changes: old prefixes are made again.
QUELVOR_WINE_PREFIX_VERSION=2
QUELVOR_FONT_SUBST_KEY='HKCU\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
QUELVOR_FONT_SUBST_KEY_LM='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'

_qv_wlog() { printf '[wine-env] %s\n' "$*" >&2; }

_qv_xvfb_pid=
_qv_wineserver_started=0
_qv_wine_env_active=0

quelvor_wine_env_vars() {
  local cache=${XDG_CACHE_HOME:-$HOME/.cache} mode
  mode=$(quelvor_wine_mode)
  export QUELVOR_WINE_MODE=$mode
  export WINEPREFIX=${QUELVOR_WINEPREFIX:-$cache/quelvor/wine-$mode}
  export WINEARCH=$mode
  if [[ $mode == win64 ]]; then
    export QUELVOR_WINE=$QUELVOR_WINE64_LOADER
    export WINELOADER=$QUELVOR_WINE64_LOADER
    export WINESERVER=${QUELVOR_WINESERVER:-/usr/lib/wine/wineserver64}
  else
    export QUELVOR_WINE=$QUELVOR_WINE32_LOADER
    unset WINELOADER
    if [[ -x /usr/lib/wine/wineserver32 ]]; then
      export WINESERVER=${QUELVOR_WINESERVER:-/usr/lib/wine/wineserver32}
    else
      export WINESERVER=${QUELVOR_WINESERVER:-$(command -v wineserver)}
    fi
  fi
  export WINEDEBUG=-all
  export LANG=zh_CN.UTF-8
  export LC_ALL=zh_CN.UTF-8
  # Tests that depend on this environment (fonts, code page) check for it.
  export QUELVOR_WINE_ENV=1
  unset WINEDLLOVERRIDES
}

# Starts Xvfb on a free display number and exports DISPLAY.
quelvor_xvfb_start() {
  [[ -n $_qv_xvfb_pid ]] && return 0
  local fifo dir
  dir=$(mktemp -d)
  fifo=$dir/displayfd
  mkfifo "$fifo"
  # -displayfd lets the server pick a free display and tell its number.
  Xvfb -displayfd 3 -screen 0 "${QUELVOR_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp \
       3>"$fifo" >/dev/null 2>&1 &
  _qv_xvfb_pid=$!
  local num=
  if ! read -r -t 30 num <"$fifo" || [[ -z $num ]]; then
    _qv_wlog "Xvfb did not start"
    kill "$_qv_xvfb_pid" 2>/dev/null
    _qv_xvfb_pid=
    rm -rf "$dir"
    return 1
  fi
  rm -rf "$dir"
  export DISPLAY=:$num
  _qv_wlog "Xvfb on display $DISPLAY (pid $_qv_xvfb_pid)"
}

quelvor_xvfb_stop() {
  if [[ -n $_qv_xvfb_pid ]]; then
    kill "$_qv_xvfb_pid" 2>/dev/null
    wait "$_qv_xvfb_pid" 2>/dev/null
    _qv_xvfb_pid=
  fi
}

# True when the prefix registry holds every font substitute.  user.reg keeps
# names beyond ASCII as \xHHHH escapes of their UTF-16 units (\x{HHHH} where
# a hex digit follows; both are read).
_qv_reg_escape() {
  local s=$1 out= c cp
  local LC_ALL=zh_CN.UTF-8
  for ((i = 0; i < ${#s}; i++)); do
    c=${s:i:1}
    printf -v cp '%d' "'$c"
    if ((cp < 128)); then out+=$c; else printf -v c '\\x%x' "$cp"; out+=$c; fi
  done
  printf '%s' "$out"
}

quelvor_wine_fonts_ok() {
  local reg=$WINEPREFIX/user.reg name esc
  [[ -f $reg ]] || return 1
  local section
  section=$(awk '/^\[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes\]/{on=1;next} /^\[/{on=0} on' "$reg" | sed -E 's/\\x\{([0-9a-fA-F]+)\}/\\x\1/g')
  for name in "${QUELVOR_WINE_FONT_SUBSTITUTES[@]}"; do
    esc=$(_qv_reg_escape "$name")
    grep -qF "\"$esc\"=\"$QUELVOR_WINE_FONT\"" <<<"$section" || return 1
  done
}

_qv_wine_prefix_make() {
  _qv_wlog "creating the wine prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # No mono or gecko install prompts.
  WINEDLLOVERRIDES="mscoree,mshtml=" "$QUELVOR_WINE" wineboot -i >/dev/null 2>&1 || true
  "$WINESERVER" -w
  [[ -f $WINEPREFIX/system.reg ]] || { _qv_wlog "wineboot made no prefix"; return 1; }
  local name
  for name in "${QUELVOR_WINE_FONT_SUBSTITUTES[@]}"; do
    "$QUELVOR_WINE" reg add "$QUELVOR_FONT_SUBST_KEY" /v "$name" /t REG_SZ /d "$QUELVOR_WINE_FONT" /f >/dev/null 2>&1
    "$QUELVOR_WINE" reg add "$QUELVOR_FONT_SUBST_KEY_LM" /v "$name" /t REG_SZ /d "$QUELVOR_WINE_FONT" /f >/dev/null 2>&1
  done
  # No window manager runs on the virtual display: windows that wine would
  # leave to one wait two seconds for it each time they are hidden.
  "$QUELVOR_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  "$WINESERVER" -w
  if ! quelvor_wine_fonts_ok; then
    _qv_wlog "the font substitutes did not reach the prefix registry"
    return 1
  fi
  echo "$QUELVOR_WINE_PREFIX_VERSION" >"$WINEPREFIX/.quelvor-prefix"
}

# Makes the prefix unless a complete one of the current version is there.
quelvor_wine_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    # One maker at a time when several runs share the prefix.
    flock 9
    if [[ $(cat "$WINEPREFIX/.quelvor-prefix" 2>/dev/null) == "$QUELVOR_WINE_PREFIX_VERSION" ]] &&
       quelvor_wine_fonts_ok; then
      exit 0
    fi
    _qv_wine_prefix_make
  ) 9>"$WINEPREFIX.lock"
}

quelvor_wine_env_start() {
  ((_qv_wine_env_active)) && return 0
  quelvor_wine_env_vars
  [[ -x $QUELVOR_WINE ]] && command -v Xvfb >/dev/null || {
    _qv_wlog "wine ($QUELVOR_WINE) or Xvfb is missing (scripts/lib/deps.sh all)"; return 1; }
  _qv_wine_env_active=1
  _qv_wine_env_trap
  quelvor_xvfb_start || return 1
  quelvor_wine_prefix || return 1
  # One wineserver for the whole run instead of one per test program.  When
  # another run already keeps one for this prefix, it is used and left alone.
  if "$WINESERVER" -p >/dev/null 2>&1; then
    _qv_wineserver_started=1
  fi
  local acp
  acp=$(quelvor_wine_acp)
  _qv_wlog "$QUELVOR_WINE_MODE prefix $WINEPREFIX, ANSI code page $acp"
  if [[ $acp != 936 ]]; then
    _qv_wlog "wine does not use code page 936 (is the zh_CN.UTF-8 locale there?)"
    return 1
  fi
}

# The ANSI code page wine uses in this environment (936 expected).
quelvor_wine_acp() {
  "$QUELVOR_WINE" reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null |
    tr -d '\r' | awk '$1=="ACP"{print $3}'
}

quelvor_wine_env_stop() {
  ((_qv_wine_env_active)) || return 0
  _qv_wine_env_active=0
  if ((_qv_wineserver_started)); then
    "$WINESERVER" -k 2>/dev/null
    _qv_wineserver_started=0
  fi
  quelvor_xvfb_stop
}

# Adds quelvor_wine_env_stop to the caller's EXIT trap, keeping what is there.
_qv_wine_env_trap() {
  local old
  old=$(trap -p EXIT | sed -E "s/^trap -- '(.*)' EXIT$/\1/")
  [[ $old == *quelvor_wine_env_stop* ]] && return 0
  # shellcheck disable=SC2064
  trap "quelvor_wine_env_stop${old:+; $old}" EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  # As a command: run the arguments inside the environment.
  set -euo pipefail
  quelvor_wine_env_start
  "$@"
fi
