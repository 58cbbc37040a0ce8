#!/usr/bin/env bash
# Makes the release package, unpacks it into a fresh Wine prefix and runs
# package_check.exe there; writes a JUnit report with one test case.
#   package_test.sh SOURCE_DIR BUILD_DIR PACKAGE_CHECK_EXE REPORT_XML
set -uo pipefail
source_dir=$1 build_dir=$2 check=$3 report=$4
work="$build_dir/package-test"
log="$work/log.txt"
rm -rf "$work"
mkdir -p "$work"

run() {
  bash "$source_dir/scripts/package" --built >"$log" 2>&1 || return 1
  local zip
  zip="$source_dir/dist/mirelon-$(tr -d '[:space:]' <"$build_dir/version.txt")-win64.zip"
  [ -f "$zip" ] || { echo "no package $zip" >>"$log"; return 1; }
  # A prefix of its own, with nothing in it but Wine's own files.
  export WINEPREFIX="$work/prefix"
  wineboot --init >>"$log" 2>&1
  wineserver -w
  (cd "$WINEPREFIX/drive_c" && cmake -E tar xf "$zip") || return 1
  cp "$check" "$WINEPREFIX/drive_c/package_check.exe"
  local exe folder
  exe=$(cd "$WINEPREFIX/drive_c" && ls -d mirelon-*/mirelon.exe | head -n 1)
  [ -n "$exe" ] || { echo "no mirelon.exe in the package" >>"$log"; return 1; }
  # Everything the program loads beside itself, and the user's two texts.
  folder="$WINEPREFIX/drive_c/$(dirname "$exe")"
  for f in Radova.dic ja-kantenji.utb ipadic/sys.dic ipadic/dicrc "はじめにお読みください.txt" licenses/README.txt \
           licenses/MeCab-BSD.txt licenses/IPADIC.txt licenses/Unihan.txt licenses/KANJIDIC.txt licenses/liblouis-data-copyright.txt \
           licenses/LGPL-2.1.txt; do
    [ -s "$folder/$f" ] || { echo "the package lacks $f" >>"$log"; return 1; }
  done
  wine "C:\\package_check.exe" "C:\\${exe//\//\\}" >>"$log" 2>&1
  local status=$?
  wineserver -k 2>/dev/null
  return $status
}

start=$(date +%s)
if run; then failure=""; else failure="<failure message=\"the package did not install and run\"><![CDATA[$(tail -n 40 "$log")]]></failure>"; fi
seconds=$(( $(date +%s) - start ))
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
