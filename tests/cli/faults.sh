#!/usr/bin/env bash
# Runs one named scenario in which the tool must refuse an argument or survive a faulty file,
# and checks the exact console streams, the exit status and that no user data was lost.
set -u
bin=$1
scenario=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1

failed=0
fail() { echo "FAIL [$scenario]: $*"; failed=1; }

# expect_stream FILE TEXT: FILE holds TEXT and one line feed, or nothing when TEXT is empty.
expect_stream() {
  if [ -n "$2" ]; then printf '%s\n' "$2" >expected_stream; else : >expected_stream; fi
  cmp -s expected_stream "$1" || fail "$1: '$(cat "$1")', expected '$2'"
}

# run STATUS STDOUT STDERR ARGS...: runs the tool with a time limit and checks the result.
run() {
  local want_status=$1 want_out=$2 want_err=$3
  shift 3
  timeout 20 "$bin" "$@" >stdout 2>stderr
  local status=$?
  [ "$status" = "$want_status" ] || fail "exit status $status, expected $want_status"
  expect_stream stdout "$want_out"
  expect_stream stderr "$want_err"
}

same_bytes() { cmp -s "$1" "$2" || fail "$1 and $2 differ"; }

usage=$'You must give 2 parameters.'
copy_error=$'Error while copiing input file.'
same_file=$'Input and output must be different files.'
write_error=$'Error while writing the output file.'

printf 'A,B\nB,C\n\nB->C\n' >in.txt
cp in.txt in.orig
printf 'precious\n' >out.txt
cp out.txt out.orig

case $scenario in
  usage)
    run 1 "" "$usage"
    run 1 "" "$usage" in.txt
    run 1 "" "$usage" in.txt new.txt extra
    [ -e new.txt ] && fail "a file was created"
    same_bytes in.txt in.orig
    ;;
  missing_input)
    run 1 "" "$copy_error" absent.txt out.txt
    same_bytes out.txt out.orig
    ;;
  input_directory)
    mkdir dir
    run 1 "" "$copy_error" dir out.txt
    same_bytes out.txt out.orig
    ;;
  input_fifo)
    mkfifo fifo
    run 1 "" "$copy_error" fifo out.txt
    same_bytes out.txt out.orig
    ;;
  input_read_error)
    # A regular file whose first read fails: the tool's own memory at address 0.
    run 1 "" "$copy_error" /proc/self/mem out.txt
    ;;
  same_path)
    run 1 "" "$same_file" in.txt in.txt
    run 1 "" "$same_file" in.txt ./in.txt
    same_bytes in.txt in.orig
    ;;
  hard_link)
    ln in.txt link.txt
    run 1 "" "$same_file" in.txt link.txt
    run 1 "" "$same_file" link.txt in.txt
    same_bytes in.txt in.orig
    ;;
  symbolic_link)
    ln -s in.txt link.txt
    run 1 "" "$same_file" in.txt link.txt
    run 1 "" "$same_file" link.txt in.txt
    same_bytes in.txt in.orig
    ;;
  output_dir_missing)
    run 1 "" "$copy_error" in.txt no/such/folder/out.txt
    same_bytes in.txt in.orig
    ;;
  output_full)
    # The copy cannot be flushed: the copy step fails and says so.
    run 1 "" "$copy_error" in.txt /dev/full
    same_bytes in.txt in.orig
    ;;
  output_full_empty_input)
    # Nothing to copy, so the copy succeeds; the verdict cannot be written.
    : >empty.txt
    run 2 "" "$write_error" empty.txt /dev/full
    ;;
  replaces_output)
    head -c 50000 /dev/zero >out.txt
    run 0 "Done." "" in.txt out.txt
    printf 'A,B\nB,C\n\nB->C\n\nvesztesegmentes' >expected
    same_bytes out.txt expected
    ;;
  copy_block_sizes)
    # Inputs around the copy's 16000-byte block reach the output unchanged, NUL bytes too.
    # Without a line feed the whole input is one sub-schema, so the verdict is known.
    for size in 0 1 15999 16000 16001 32000 40000; do
      head -c "$size" /dev/urandom | tr '\n' 'x' >blob.txt
      run 0 "Done." "" blob.txt out.txt
      head -c "$size" out.txt >copied
      same_bytes copied blob.txt
      verdict=vesztesegmentes
      [ "$size" = 0 ] && verdict=veszteseges
      tail -c +"$((size + 1))" out.txt >tail
      printf '\n%s' "$verdict" >expected
      same_bytes tail expected
    done
    ;;
  tableau_too_large)
    # 200,000 sub-schemas over 200,001 attributes: far more cells than any memory holds.
    seq -f 'a%g' 1 200000 | paste -sd, >huge.txt
    yes x | head -n 199999 >>huge.txt
    run 3 "" "lossless-join: the tableau of 200000 rows and 200001 columns does not fit in memory" \
      huge.txt out.txt
    ;;
  *)
    fail "unknown scenario"
    ;;
esac
exit $failed
