#!/usr/bin/env bash
# Installs a finished build into a temporary prefix (and once more through DESTDIR), runs the
# installed binary on an example and checks that the man page and the examples came along. With --deb it also
# builds the Debian package, installs it with dpkg, runs it and removes it again.
set -euo pipefail
build=$1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check_run() {  # check_run BINARY
  "$1" "$source_dir/examples/two_way_split_on_key.txt" "$work/out.txt" >"$work/stdout"
  [ "$(cat "$work/stdout")" = "Done." ] || { echo "install: $1 did not finish"; exit 1; }
  [ "$(tail -c 15 "$work/out.txt")" = vesztesegmentes ] || { echo "install: wrong verdict"; exit 1; }
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
test -x "$work/prefix/bin/lossless-join"
test -f "$work/prefix/share/man/man1/lossless-join.1.gz"
test -f "$work/prefix/share/doc/lossless-join/copyright"
test -f "$work/prefix/share/doc/lossless-join/changelog.gz"
test -f "$work/prefix/share/doc/lossless-join/examples/verdicts"
test -f "$work/prefix/share/doc/lossless-join/examples/two_way_split_on_key.txt"
check_run "$work/prefix/bin/lossless-join"
man -l "$work/prefix/share/man/man1/lossless-join.1.gz" >"$work/man.txt" 2>/dev/null
grep -q "decide whether a decomposition" "$work/man.txt"

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr/local >/dev/null
test -x "$work/stage/usr/local/bin/lossless-join"
test -f "$work/stage/usr/local/share/man/man1/lossless-join.1.gz"
echo "install: prefix and DESTDIR installs work"

if [ "${2:-}" = --deb ]; then
  (cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
  deb=$(ls "$work"/package/lossless-join_*.deb)
  # What a distribution asks of a package: lintian finds no error and no warning.
  if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb"
    echo "install: lintian finds nothing in $(basename "$deb")"
  else
    echo "install: lintian not found, the package was not linted"
  fi
  dpkg -i "$deb" >/dev/null
  check_run /usr/bin/lossless-join
  test -f /usr/share/man/man1/lossless-join.1.gz
  test -f /usr/share/doc/lossless-join/examples/verdicts
  dpkg -r lossless-join >/dev/null
  if [ -e /usr/bin/lossless-join ] || [ -e /usr/share/man/man1/lossless-join.1.gz ]; then
    echo "install: dpkg -r left files behind"
    exit 1
  fi
  echo "install: $(basename "$deb") installs, runs and removes cleanly"
fi
