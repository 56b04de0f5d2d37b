#!/usr/bin/env bash
# Mutation run: applies each small change of a list to a copy of the source tree, one at a
# time, rebuilds, runs the whole suite and prints which changes survived (the suite still
# passed). Not part of CI: a run takes about a minute per change.
#
#   tests/mutation/mutate.sh [LIST] [FILTER]
#   tests/mutation/mutate.sh --check [LIST]    only checks that every entry matches its code
#
# LIST defaults to mutations.txt beside this script; FILTER, a regular expression, picks the
# changes whose description matches. Each line of the list is FILE, DESCRIPTION, the exact
# text to change (its first occurrence) and what replaces it, separated by tabs; <NL> in the
# texts stands for a line break. Lines starting with # are comments. The run fails at once,
# before building anything, when an entry of the list matches nothing.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
check_only=no
if [ "${1:-}" = --check ]; then
  check_only=yes
  shift
fi
list=${1:-$here/mutations.txt}
filter=${2:-.}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# mutate FILE FROM TO: changes the first FROM in FILE to TO; fails when FROM is not there.
# <NL> in FROM and TO stands for a line break.
mutate() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1], sys.argv[2].replace("<NL>", "\n"), sys.argv[3].replace("<NL>", "\n")
text = open(path, encoding="utf-8").read()
if old not in text:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(old, new, 1))
PY
}

command -v python3 >/dev/null || { echo "SKIP: python3 is needed to apply the changes"; exit 77; }

# Every entry must still match the code it changes: an entry that matches nothing would
# test nothing, and the list goes stale as the code moves. Checked before the long run, all
# entries in one go.
python3 - "$root" "$list" <<'PY' || exit 1
import sys
root, path = sys.argv[1], sys.argv[2]
stale = 0
for line in open(path, encoding="utf-8"):
    line = line.rstrip("\n")
    if not line or line.startswith("#"):
        continue
    file, what, old, _ = line.split("\t")
    try:
        text = open(root + "/" + file, encoding="utf-8").read()
    except OSError:
        text = ""
    if old.replace("<NL>", "\n") not in text:
        print("NOT FOUND  %s: %s" % (file, what))
        stale += 1
if stale:
    print("%d entries match nothing: bring the list up to date" % stale)
    sys.exit(1)
PY
if [ "$check_only" = yes ]; then
  echo "every entry of $(basename "$list") matches its code"
  exit 0
fi

(cd "$root" && git ls-files -z | xargs -0 cp --parents -t "$work")
build() { cmake --build "$work/build" -j2 >"$work/build.log" 2>&1; }
suite() { ctest --test-dir "$work/build" -j2 --timeout 300 >"$work/test.log" 2>&1; }

cmake -S "$work" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DLOSSLESS_JOIN_BENCH=OFF \
  >"$work/configure.log" 2>&1 || { echo "configure failed"; exit 1; }
build || { echo "the unchanged tree does not build"; exit 1; }
suite || { echo "the unchanged tree fails its suite"; exit 1; }

killed=0
survived=0
while IFS=$'\t' read -r file what from to; do
  case $file in '#'* | '') continue ;; esac
  [[ $what =~ $filter ]] || continue
  mutate "$work/$file" "$from" "$to" || { echo "NOT FOUND  $file: $what"; exit 1; }
  if ! build; then
    result="killed (does not build)"
    killed=$((killed + 1))
  elif suite; then
    result="SURVIVED"
    survived=$((survived + 1))
  else
    result="killed by $(grep -c -E '^[[:space:]]*[0-9]+ - ' "$work/test.log") tests"
    killed=$((killed + 1))
  fi
  printf '%-26s %s: %s\n' "$result" "$file" "$what"
  cp "$root/$file" "$work/$file"
done <"$list"
build >/dev/null
echo "score: $killed of $((killed + survived)) changes killed, $survived survived"
