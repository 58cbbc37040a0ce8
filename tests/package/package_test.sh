#!/usr/bin/env bash
# The release packages as a user and a school's administrator meet them.
#   Build  scripts/package makes both in a build tree of their own, which
#          holds only what it builds (MeCab's cross-build is copied in, as
#          into a developer's tree), with the files the program loads;
#   Msi    in a fresh Wine prefix with nothing else installed, the MSI
#          installs silently with exactly the release's files, an entry of
#          the installed programs, the shortcuts and the file types; a
#          meeting opens through its file type; installing it again, a
#          rebuilt package of the same version and a newer one leave one
#          install; removing it leaves nothing;
#   Zip    the unpacked zip holds the same files and its program creates
#          and opens a talk.
# Writes a JUnit report with one test case each.
#   package_test.sh SOURCE_DIR BUILD_DIR PACKAGE_CHECK_EXE REPORT_XML
set -uo pipefail
source_dir=$1 build_dir=$2 check=$3 report=$4
work="$build_dir/package-test"
tree="$build_dir/package-tree"
log="$work/log.txt"
rm -rf "$work"
mkdir -p "$work" "$tree"
export WINEPREFIX="$work/prefix"
# The prefix's sound driver finds no device and says so at every start.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winealsa.drv="
installed="$WINEPREFIX/drive_c/Program Files/Mirelon"

say() { echo "$*" >>"$log"; }
in_prefix() { wine "C:\\package_check.exe" "$@" >>"$log" 2>&1; }
# msiexec /i or /x, silent, on a copy of the package in the prefix.
msiexec_qn() {
  cp "$2" "$WINEPREFIX/drive_c/" && wine msiexec "$1" "C:\\$(basename "$2")" /qn >>"$log" 2>&1 ||
    { say "msiexec $1 $2 failed"; return 1; }
}

build_case() {
  [ -d "$tree/mecab" ] || cp -a "$build_dir/mecab" "$tree/" || return 1
  bash "$source_dir/scripts/package" --build-dir "$tree" >>"$log" 2>&1 || return 1
  version=$(tr -d '[:space:]' <"$tree/version.txt")
  release="$source_dir/build/package/mirelon-$version"
  msi="$source_dir/dist/mirelon-$version-x64.msi"
  zip="$source_dir/dist/mirelon-$version-win64.zip"
  local f
  for f in mirelon.exe mirelon-cli.exe Radova.dic ja-kantenji.utb ipadic/sys.dic ipadic/dicrc "はじめにお読みください.txt" \
           licenses/{README,MeCab-BSD,IPADIC,Unihan,KANJIDIC,liblouis-data-copyright,LGPL-2.1}.txt; do
    [ -s "$release/$f" ] || { say "the release lacks $f"; return 1; }
  done
  [ -f "$msi" ] && [ -f "$zip" ] && wineboot --init >>"$log" 2>&1 && wineserver -w &&
    cp "$check" "$WINEPREFIX/drive_c/package_check.exe"
}

msi_case() {
  local next="${version%.*}.$((${version##*.} + 1))"
  (cd "$source_dir" && python3 scripts/make-msi.py "$release" "$version" "$work/rebuilt.msi" &&
    python3 scripts/make-msi.py "$release" "$next" "$work/newer.msi") >>"$log" 2>&1 || return 1
  msiexec_qn /i "$msi" && in_prefix installed "$version" && in_prefix open || return 1
  diff -r "$release" "$installed" >>"$log" 2>&1 || { say "the installed files are not the release's"; return 1; }
  msiexec_qn /i "$msi" && in_prefix installed "$version" || return 1
  msiexec_qn /i "$work/rebuilt.msi" && in_prefix installed "$version" || return 1
  msiexec_qn /i "$work/newer.msi" && in_prefix installed "$next" || return 1
  msiexec_qn /x "$work/newer.msi" && in_prefix removed || return 1
  [ ! -e "$installed" ] || { say "the program folder is left"; return 1; }
}

zip_case() {
  (cd "$WINEPREFIX/drive_c" && cmake -E tar xf "$zip") &&
    diff -r "$release" "$WINEPREFIX/drive_c/mirelon-$version" >>"$log" 2>&1 &&
    in_prefix "C:\\mirelon-$version\\mirelon.exe"
}

cases="" status=0
for name in Build Msi Zip; do
  say "== $name"
  start=$(date +%s) failure=""
  if [ "$name" != Build ] && [ -z "${built:-}" ]; then
    failure='<failure message="the packages were not built"/>'
  elif "${name,,}_case"; then
    built=1
  else
    failure="<failure message=\"$name failed\"><![CDATA[$(tail -n 40 "$log")]]></failure>"
  fi
  [ -z "$failure" ] || status=1
  say "-- $name ${failure:+failed }in $(($(date +%s) - start)) s"
  cases+="    <testcase name=\"$name\" classname=\"Package\" time=\"$(($(date +%s) - start))\">$failure</testcase>"$'\n'
done
wineserver -k 2>/dev/null

mkdir -p "$(dirname "$report")"
cat >"$report" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<testsuites tests="3">
  <testsuite name="Package" tests="3">
$cases  </testsuite>
</testsuites>
XML
rm -rf "$WINEPREFIX"
cat "$log"
exit $status
