#!/usr/bin/env bash
# Makes the release packages in a build tree that holds only what the
# package command builds (MeCab's cross-build copied in); in a fresh Wine
# prefix installs the MSI, again, a rebuilt one, a newer one, removes it
# and runs package_check.exe after each step; then unpacks the zip there
# and runs it. Writes a JUnit report with one test case.
#   package_test.sh SOURCE_DIR BUILD_DIR PACKAGE_CHECK_EXE REPORT_XML
set -uo pipefail
source_dir=$1 build_dir=$2 check=$3 report=$4
work="$build_dir/package-test"
tree="$build_dir/package-tree"
log="$work/log.txt"
rm -rf "$work"
mkdir -p "$work" "$tree"
# A prefix of its own, with nothing in it but Wine's own files (its sound
# driver finds no device and says so at every start).
export WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winealsa.drv="

in_prefix() { wine "C:\\package_check.exe" "$@" >>"$log" 2>&1; }
msiexec_qn() { cp "$2" "$WINEPREFIX/drive_c/" && wine msiexec "$1" "C:\\$(basename "$2")" /qn >>"$log" 2>&1; }

run() {
  [ -d "$tree/mecab" ] || cp -a "$build_dir/mecab" "$tree/" || return 1
  bash "$source_dir/scripts/package" --build-dir "$tree" >"$log" 2>&1 || return 1
  local version zip msi folder next
  version=$(tr -d '[:space:]' <"$tree/version.txt")
  zip="$source_dir/dist/mirelon-$version-win64.zip"
  msi="$source_dir/dist/mirelon-$version-x64.msi"
  [ -f "$zip" ] && [ -f "$msi" ] || { echo "no package $msi" >>"$log"; return 1; }
  wineboot --init >>"$log" 2>&1
  wineserver -w
  cp "$check" "$WINEPREFIX/drive_c/package_check.exe"
  # Everything the program loads beside itself, and the user's two texts.
  folder="$source_dir/build/package/mirelon-$version"
  for f in mirelon-cli.exe Radova.dic ja-kantenji.utb ipadic/sys.dic ipadic/dicrc "はじめにお読みください.txt" licenses/README.txt \
           licenses/MeCab-BSD.txt licenses/IPADIC.txt licenses/Unihan.txt licenses/KANJIDIC.txt licenses/liblouis-data-copyright.txt \
           licenses/LGPL-2.1.txt; do
    [ -s "$folder/$f" ] || { echo "the package lacks $f" >>"$log"; return 1; }
  done
  msiexec_qn /i "$msi" && in_prefix installed "$version" && in_prefix open || return 1
  diff -r "$folder" "$WINEPREFIX/drive_c/Program Files/Mirelon" >>"$log" 2>&1 || return 1
  next="${version%.*}.$((${version##*.} + 1))"
  (cd "$source_dir" && python3 scripts/make-msi.py "$folder" "$version" "$work/rebuilt.msi" &&
    python3 scripts/make-msi.py "$folder" "$next" "$work/newer.msi") >>"$log" 2>&1 || return 1
  msiexec_qn /i "$msi" && in_prefix installed "$version" || return 1
  msiexec_qn /i "$work/rebuilt.msi" && in_prefix installed "$version" || return 1
  msiexec_qn /i "$work/newer.msi" && in_prefix installed "$next" || return 1
  msiexec_qn /x "$work/newer.msi" && in_prefix removed && [ ! -e "$WINEPREFIX/drive_c/Program Files/Mirelon" ] || return 1
  (cd "$WINEPREFIX/drive_c" && cmake -E tar xf "$zip") || return 1
  diff -r "$folder" "$WINEPREFIX/drive_c/mirelon-$version" >>"$log" 2>&1 || return 1
  in_prefix "C:\\mirelon-$version\\mirelon.exe"
}

start=$(date +%s)
if run; then failure=""; else failure="<failure message=\"the packages did not install and run\"><![CDATA[$(tail -n 40 "$log")]]></failure>"; fi
seconds=$(( $(date +%s) - start ))
wineserver -k 2>/dev/null
mkdir -p "$(dirname "$report")"
cat >"$report" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<testsuites tests="1">
  <testsuite name="Package" tests="1">
    <testcase name="InstallsAndRunsInAFreshPrefix" classname="Package" time="$seconds">$failure</testcase>
  </testsuite>
</testsuites>
XML
rm -rf "$work/prefix"
cat "$log"
[ -z "$failure" ]
