#!/usr/bin/env bash
# Cross-builds MeCab as a static MinGW-w64 library from Debian's source
# package, into the folder given (the build tree's own copy):
#   DIR/download/mecab_*.orig.tar.gz   the upstream tarball (apt-get source)
#   DIR/include/mecab.h                the header, for a static library
#   DIR/lib/libmecab.a                 the library
# Nothing is done again once DIR/lib/libmecab.a is there.
set -euo pipefail

dir=$1
cc=${2:-x86_64-w64-mingw32-gcc-posix}
cxx=${3:-x86_64-w64-mingw32-g++-posix}
[ -f "$dir/lib/libmecab.a" ] && exit 0

mkdir -p "$dir/download" "$dir/include" "$dir/lib"
tarball=$(ls "$dir"/download/mecab_*.orig.tar.gz 2>/dev/null | head -n 1 || true)
if [ -z "$tarball" ]; then
  # Debian's patch tarball of this version may be missing from the archive,
  # which makes the command fail; the upstream tarball is all that is used.
  (cd "$dir/download" && apt-get source --download-only mecab >download.log 2>&1) || true
  tarball=$(ls "$dir"/download/mecab_*.orig.tar.gz 2>/dev/null | head -n 1 || true)
  if [ -z "$tarball" ]; then
    cat "$dir/download/download.log" >&2
    echo "MeCab's source could not be fetched (is there a deb-src entry? run scripts/setup)" >&2
    exit 1
  fi
fi

rm -rf "$dir/src"
mkdir -p "$dir/src"
tar -xzf "$tarball" -C "$dir/src" --strip-components=1
cd "$dir/src"
# The header declares the API dllimport (and pulls in windows.h) on every
# Windows build; a static library and its users skip that block.
sed -i 's/^#ifdef _WIN32$/#if defined(_WIN32) \&\& !defined(MECAB_STATIC)/' src/mecab.h
grep -q 'MECAB_STATIC' src/mecab.h || { echo "mecab.h: the Windows block was not found" >&2; exit 1; }

./configure --host=x86_64-w64-mingw32 CC="$cc" CXX="$cxx" CPPFLAGS=-DMECAB_STATIC \
  --enable-static --disable-shared --with-charset=utf8 >configure.log 2>&1 ||
  { tail -n 30 configure.log >&2; exit 1; }
make -C src -j"$(nproc 2>/dev/null || echo 2)" libmecab.la >make.log 2>&1 ||
  { tail -n 30 make.log >&2; exit 1; }

cp src/mecab.h "$dir/include/mecab.h"
cp src/.libs/libmecab.a "$dir/lib/libmecab.a.part"
mv "$dir/lib/libmecab.a.part" "$dir/lib/libmecab.a"
