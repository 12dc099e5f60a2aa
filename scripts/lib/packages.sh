#!/usr/bin/env bash
# Makes the packages with cpack from built trees and checks them.  Meant to
# be sourced by scripts/package and scripts/test:
#
#   source scripts/lib/packages.sh
#   zip=$(quelvor_pkg_cpack build-win)      # Quelvor-<version>-win32.zip
#   deb=$(quelvor_pkg_cpack build)          # quelvor_<version>_<arch>.deb
#   quelvor_pkg_check_zip "$zip" [run]      # run: also start quelvor.exe under wine
#   quelvor_pkg_check_deb "$deb"            # contents, control fields, quelvor info
#   quelvor_pkg_lintian "$deb"              # no error; prints the other tags
#
# Each check prints what it found wrong and answers non-zero; the expected
# file lists are written out here, apart from examples/ and docs/*.png,
# which are whatever the source tree holds.  Running quelvor.exe needs the
# wine environment of scripts/lib/wine-env.sh, started by the caller.

_qv_pkg_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

_qv_plog() { printf '[packages] %s\n' "$*" >&2; }

# The version that project() gives.
quelvor_pkg_version() {
  sed -n 's/^project(Quelvor VERSION \([0-9.]*\).*/\1/p' "$_qv_pkg_root/CMakeLists.txt"
}

# Runs cpack in a built tree; prints the path of the package it made.
quelvor_pkg_cpack() {  # build-dir
  local dir=$1 out
  out=$(cd "$dir" && pwd)/packages
  rm -rf "$out"
  if ! (cd "$dir" && cpack -B "$out") >"$dir/cpack.log" 2>&1; then
    cat "$dir/cpack.log" >&2
    return 1
  fi
  find "$out" -maxdepth 1 -type f \( -name '*.zip' -o -name '*.deb' \) | sort
}

# The files of a source folder, relative to it, one a line.
_qv_pkg_tree() {  # folder [find tests...]
  local dir=$1
  shift
  (cd "$_qv_pkg_root/$dir" && find . -type f "$@" | sed 's|^\./||' | LC_ALL=C sort)
}

# Compares a listing with the expected one; prints the difference.
_qv_pkg_same() {  # what expected-file actual-file
  if ! diff -u "$2" "$3" >"$2.diff"; then
    _qv_plog "$1 does not hold exactly the expected files (- missing, + unexpected):"
    sed -n '3,$p' "$2.diff" | grep -E '^[-+]' >&2
    return 1
  fi
}

quelvor_pkg_expected_zip() {  # top-folder
  local top=$1
  {
    printf "$top/%s\n" Quelvor.dll quelvor.exe README.md INSTALL-zh.txt
    _qv_pkg_tree examples | sed "s|^|$top/examples/|"
    _qv_pkg_tree docs -name '*.png' | sed "s|^|$top/docs/|"
  } | LC_ALL=C sort
}

quelvor_pkg_expected_deb() {  # multiarch
  local doc=usr/share/doc/quelvor
  {
    printf '%s\n' usr/bin/quelvor "usr/lib/$1/quelvor/libQuelvor.so" \
      $doc/README.md $doc/changelog.gz $doc/copyright usr/share/man/man1/quelvor.1.gz
    _qv_pkg_tree examples | sed "s|^|$doc/examples/|"
  } | LC_ALL=C sort
}

# Runs "quelvor.exe info" from a folder under wine and checks that it names
# the plug-in beside it.
_qv_pkg_wine_info() {  # top-folder working-folder
  local top=$1 cwd=$2 out
  out=$(cd "$cwd" && "$QUELVOR_WINE" "$top/quelvor.exe" info 2>&1 | tr -d '\r') || {
    _qv_plog "quelvor.exe info failed in $cwd:"; printf '%s\n' "$out" >&2; return 1; }
  if ! grep -qx 'Name: *分布概率' <<<"$out" || ! grep -q '^Library: .*Quelvor\.dll$' <<<"$out"; then
    _qv_plog "quelvor.exe info in $cwd does not show the plug-in:"
    printf '%s\n' "$out" >&2
    return 1
  fi
}

quelvor_pkg_check_zip() {  # zip [run]
  local zip=$1 run=${2:-} version top tmp rc=0
  version=$(quelvor_pkg_version)
  top=Quelvor-$version-win32
  [[ $(basename "$zip") == "$top.zip" ]] || {
    _qv_plog "the zip is named $(basename "$zip"), not $top.zip"; return 1; }
  tmp=$(mktemp -d -t quelvor-zip.XXXXXX)
  quelvor_pkg_expected_zip "$top" >"$tmp/expected"
  unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort >"$tmp/actual"
  _qv_pkg_same "$(basename "$zip")" "$tmp/expected" "$tmp/actual" || rc=1
  mkdir "$tmp/unpacked"
  unzip -q "$zip" -d "$tmp/unpacked" || rc=1
  local dir=$tmp/unpacked/$top
  # The shipped build is 32-bit, both programs.
  local f
  for f in Quelvor.dll quelvor.exe; do
    if ! file -b "$dir/$f" | grep -q '^PE32 .*Intel 80386'; then
      _qv_plog "$f is not a 32-bit Windows image: $(file -b "$dir/$f")"; rc=1
    fi
  done
  # Notepad reads the note as UTF-8 by its byte order mark; CR LF throughout.
  local note=$dir/INSTALL-zh.txt
  if [[ $(head -c3 "$note" | od -An -tx1 | tr -d ' ') != efbbbf ]]; then
    _qv_plog "INSTALL-zh.txt does not start with a UTF-8 byte order mark"; rc=1
  fi
  if LC_ALL=C grep -q $'[^\r]$' "$note" || ! iconv -f UTF-8 -t UTF-8 "$note" >/dev/null 2>&1; then
    _qv_plog "INSTALL-zh.txt is not UTF-8 with CR LF line ends"; rc=1
  fi
  if [[ -n $run ]]; then
    # From the package's folder and from an unrelated one.
    mkdir -p "$tmp/其他 文件夹"
    _qv_pkg_wine_info "$dir" "$dir" || rc=1
    _qv_pkg_wine_info "$dir" "$tmp/其他 文件夹" || rc=1
  fi
  rm -rf "$tmp"
  return $rc
}

quelvor_pkg_check_deb() {  # deb
  local deb=$1 version arch multiarch tmp rc=0
  version=$(quelvor_pkg_version)
  arch=$(dpkg --print-architecture)
  multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)
  [[ $(basename "$deb") == "quelvor_${version}_$arch.deb" ]] || {
    _qv_plog "the package is named $(basename "$deb"), not quelvor_${version}_$arch.deb"; return 1; }
  tmp=$(mktemp -d -t quelvor-deb.XXXXXX)
  quelvor_pkg_expected_deb "$multiarch" >"$tmp/expected"
  dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort >"$tmp/actual"
  _qv_pkg_same "$(basename "$deb")" "$tmp/expected" "$tmp/actual" || rc=1
  local field
  for field in Package Depends Maintainer Description; do
    [[ -n $(dpkg-deb -f "$deb" "$field") ]] || { _qv_plog "the package has no $field field"; rc=1; }
  done
  [[ $(dpkg-deb -f "$deb" Package) == quelvor ]] || { _qv_plog "the package is not named quelvor"; rc=1; }
  mkdir "$tmp/root" "$tmp/elsewhere"
  dpkg-deb -x "$deb" "$tmp/root"
  local bin=$tmp/root/usr/bin/quelvor lib=$tmp/root/usr/lib/$multiarch/quelvor/libQuelvor.so
  for f in "$bin" "$lib"; do
    file -b "$f" | grep -q 'not stripped' && { _qv_plog "$(basename "$f") is not stripped"; rc=1; }
  done
  # The unpacked quelvor finds the plug-in relative to itself, from any folder.
  local out
  out=$(cd "$tmp/elsewhere" && "$bin" info 2>&1) || {
    _qv_plog "the unpacked quelvor info failed:"; printf '%s\n' "$out" >&2; rc=1; }
  if ! grep -qx 'Name: *分布概率' <<<"$out" || ! grep -qx "Library: *$lib" <<<"$out"; then
    _qv_plog "the unpacked quelvor info does not show the packaged plug-in:"
    printf '%s\n' "$out" >&2
    rc=1
  fi
  rm -rf "$tmp"
  return $rc
}

# lintian: no error; the other tags are printed for the record.
quelvor_pkg_lintian() {  # deb
  local out rc=0
  out=$(lintian --fail-on error "$1" 2>&1) || rc=1
  out=$(grep -v 'running with root privileges' <<<"$out" || true)
  [[ -n $out ]] && printf '%s\n' "$out" >&2
  ((rc == 0)) || _qv_plog "lintian reports an error"
  return $rc
}
