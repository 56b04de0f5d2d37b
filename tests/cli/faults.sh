#!/usr/bin/env bash
# Runs one named scenario in which the tool must refuse an argument or survive a faulty file,
# and checks the exact console streams, the exit status and that no user data was lost.
#
#   faults.sh BIN SCENARIO   runs one scenario, a function scenario_SCENARIO below
#   faults.sh --list         names every scenario, one a line: CMake registers a test for each,
#                            so a scenario written here always runs
set -u

fail() { echo "FAIL [$scenario]: $*"; failed=1; }

# expect_stream FILE TEXT: FILE holds TEXT and one line feed, or nothing when TEXT is empty.
expect_stream() {
  if [ -n "$2" ]; then printf '%s\n' "$2" >expected_stream; else : >expected_stream; fi
  cmp -s expected_stream "$1" || fail "$1: '$(cat "$1")', expected '$2'"
}

# run STATUS STDOUT STDERR ARGS...: runs the tool with a time limit and checks the result.
# LOSSLESS_JOIN_WRAPPER, when set, is put in front of the tool (valgrind, for instance).
run() {
  local want_status=$1 want_out=$2 want_err=$3
  shift 3
  timeout 300 ${as_other_user:-} ${LOSSLESS_JOIN_WRAPPER:-} "$bin" "$@" >stdout 2>stderr
  local status=$?
  [ "$status" = "$want_status" ] || fail "exit status $status, expected $want_status"
  expect_stream stdout "$want_out"
  expect_stream stderr "$want_err"
}

same_bytes() { cmp -s "$1" "$2" || fail "$1 and $2 differ"; }

# No temporary output file is left in the work folder or below it.
no_temporary_files() {
  local left
  left=$(find . -name '*.lossless-join-*')
  [ -z "$left" ] || fail "temporary files left: $left"
}

# Permissions do not stop root: as root, run the tool as the user nobody instead.
run_as_other_user() {
  if [ "$(id -u)" = 0 ]; then
    if ! command -v setpriv >/dev/null; then
      echo "SKIP [$scenario]: running as root, and setpriv is missing to drop privileges"
      exit 77
    fi
    chmod 755 "$work"
    cp "$bin" "$work/lossless-join"
    bin=$work/lossless-join
    as_other_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
  fi
  run "$@"
}

# expect_verdict INPUT VERDICT: a complete run whose output is the input, LF and the verdict.
expect_verdict() {
  cp "$1" "$1.orig"
  run 0 "Done." "" "$1" out.txt
  { cat "$1"; printf '\n%s' "$2"; } >expected
  same_bytes out.txt expected
  same_bytes "$1" "$1.orig"
}

hint="Try 'lossless-join --help' for more information."
usage=$'You must give 2 parameters.\n'"$hint"
# refused PROBLEM: the usage line, the problem named, the hint.
refused() { printf 'You must give 2 parameters.\nlossless-join: %s\n%s' "$1" "$hint"; }
unknown() { refused "unrecognized option '$1'"; }
copy_error=$'Error while copiing input file.'
# copy_failed FILE SIDE REASON: the copy's message and the line that says which file and why.
copy_failed() { printf '%s\nlossless-join: %s: cannot %s: %s' "$copy_error" "$1" "$2" "$3"; }
cannot_read() { copy_failed "$1" "read the input" "$2"; }
cannot_write() { copy_failed "$1" "write the output" "$2"; }
same_file=$'Input and output must be different files.'
write_error=$'Error while writing the output file.'

scenario_usage() {
  run 1 "" "$usage"
  run 1 "" "$usage" in.txt
  run 1 "" "$usage" in.txt new.txt extra
  [ -e new.txt ] && fail "a file was created"
  same_bytes in.txt in.orig
}

scenario_options() {
  # Options come before the file names, each with its own argument count.
  run 0 "lossless-join $EXPECTED_VERSION" "" --version
  run 1 "" "$(unknown --bogus)" --bogus
  run 1 "" "$usage" --explain in.txt
  run 1 "" "$usage" --help out.txt
  run 1 "" "$usage" --version --help
  run 1 "" "$(unknown --bogus)" --bogus in.txt out.txt
  run 1 "" "$(unknown --bogus)" --bogus out.txt
  run 1 "" "$(unknown -e)" -e in.txt out.txt
  run 1 "" "$(unknown -x)" -xyz in.txt out.txt
  run 1 "" "$usage" --explain in.txt out.txt extra
  same_bytes out.txt out.orig
  # --max-rows takes a positive whole number, before the file names.
  for rows in 0 -5 x 18446744073709551616 ''; do
    run 1 "" "lossless-join: --max-rows takes a positive whole number, not \"$rows\"" \
      --max-rows "$rows" in.txt out.txt
    run 1 "" "lossless-join: --max-rows takes a positive whole number, not \"$rows\"" \
      --max-rows="$rows" in.txt out.txt
  done
  same_bytes out.txt out.orig
  run 1 "" "$usage" --max-rows 5 in.txt
  timeout 20 "$bin" --help >stdout 2>stderr || fail "--help: exit status $?"
  [ -s stderr ] && fail "--help wrote to stderr"
  cmp -s stdout "$here/help.txt" || fail "--help differs from help.txt: $(diff stdout "$here/help.txt")"
  awk 'length > 80 { exit 1 }' stdout || fail "--help has lines of more than 80 columns"
}

scenario_option_forms() {
  # What was wrong is named after the usage line, and the hint ends the message.
  run 1 "" "$(refused "option '--max-rows' requires an argument")" --max-rows
  run 1 "" "$(refused "invalid argument 'yes' for '--explain'; valid: 'text', 'json', 'latex'")" \
    --explain=yes in.txt out.txt
  run 1 "" "$(refused "options come before the file names: '--explain'")" in.txt out.txt --explain
  run 1 "" "$(printf 'lossless-join: --json goes with --check\n%s' "$hint")" --json in.txt out.txt
  same_bytes out.txt out.orig
  # The forms that work: --option=value, an abbreviation, and -- before a name like an option.
  run 0 "Done." "" --max-rows=5 in.txt out.txt
  run 0 "Done." "" --max-r 5 in.txt out.txt
  timeout 20 "$bin" --explain=text in.txt out.txt >stdout 2>stderr || fail "--explain=text: status $?"
  grep -q '^Done.$' stdout && grep -q Relaciosema stdout || fail "--explain=text explained nothing"
  cp in.txt ./--bogus
  run 0 "Done." "" -- --bogus out.txt
  { cat in.txt; printf '\nvesztesegmentes'; } >expected
  same_bytes out.txt expected
}

scenario_missing_input() {
  run 1 "" "$(cannot_read absent.txt 'No such file or directory')" absent.txt out.txt
  same_bytes out.txt out.orig
}

scenario_input_directory() {
  mkdir dir
  run 1 "" "$(cannot_read dir 'Is a directory')" dir out.txt
  same_bytes out.txt out.orig
}

scenario_input_fifo() {
  # A FIFO, or a pipe given by name, is read once, as standard input is.
  mkfifo fifo
  cat in.txt >fifo &
  run 0 "Done." "" fifo out.txt
  wait
  { cat in.txt; printf '\nvesztesegmentes'; } >expected
  same_bytes out.txt expected
  run 0 "Done." "" <(cat in.txt) piped.txt
  same_bytes piped.txt expected
  run 0 "Done." "" /dev/stdin stdin.txt <in.txt
  same_bytes stdin.txt expected
}

scenario_input_read_error() {
  # A regular file whose first read fails: the tool's own memory at address 0.
  run 1 "" "$(cannot_read /proc/self/mem 'Input/output error')" /proc/self/mem out.txt
}

scenario_unreadable_input() {
  chmod 000 in.txt
  run_as_other_user 1 "" "$(cannot_read in.txt 'Permission denied')" in.txt out.txt
  chmod 644 in.txt
  same_bytes out.txt out.orig
}

scenario_unwritable_output() {
  chmod 444 out.txt
  run_as_other_user 1 "" "$(cannot_write out.txt 'Permission denied')" in.txt out.txt
  same_bytes out.txt out.orig
}

scenario_same_path() {
  run 1 "" "$same_file" in.txt in.txt
  run 1 "" "$same_file" in.txt ./in.txt
  same_bytes in.txt in.orig
}

scenario_hard_link() {
  ln in.txt link.txt
  run 1 "" "$same_file" in.txt link.txt
  run 1 "" "$same_file" link.txt in.txt
  same_bytes in.txt in.orig
}

scenario_symbolic_link() {
  ln -s in.txt link.txt
  run 1 "" "$same_file" in.txt link.txt
  run 1 "" "$same_file" link.txt in.txt
  same_bytes in.txt in.orig
}

scenario_output_dir_missing() {
  run 1 "" "$(cannot_write no/such/folder/out.txt 'No such file or directory')" in.txt no/such/folder/out.txt
  same_bytes in.txt in.orig
}

scenario_output_full() {
  # The copy cannot be flushed: the copy step fails and says so.
  run 1 "" "$(cannot_write /dev/full 'No space left on device')" in.txt /dev/full
  same_bytes in.txt in.orig
}

scenario_output_full_empty_input() {
  # Nothing to copy, so the copy succeeds; the verdict cannot be written.
  : >empty.txt
  run 2 "" "$write_error"$'\nlossless-join: /dev/full: cannot write the output: No space left on device' empty.txt /dev/full
}

scenario_replaces_output() {
  head -c 50000 /dev/zero >out.txt
  run 0 "Done." "" in.txt out.txt
  printf 'A,B\nB,C\n\nB->C\n\nvesztesegmentes' >expected
  same_bytes out.txt expected
}

scenario_copy_block_sizes() {
  # Inputs around the copy's 16000-byte block reach the output unchanged, NUL bytes too.
  # Without a line feed the whole input is one sub-schema, so the verdict is known. The
  # bytes that end a line or draw a warning (blanks, commas, "->", "#", CR, a UTF-16 byte
  # order mark, and the ";", "{", "[" and "(" of other notations) are replaced, so that the
  # run stays silent.
  for size in 0 1 15999 16000 16001 32000 40000; do
    head -c "$size" /dev/urandom | tr '\n\r\t ,>#\376\377;{[(' 'xxxxxxxxxxxxx' >blob.txt
    verdict=vesztesegmentes
    [ "$size" = 0 ] && verdict=veszteseges
    expect_verdict blob.txt "$verdict"
  done
}

scenario_ten_megabyte_line() {
  # One sub-schema of about 1.3 million attributes on a single line.
  seq -f 'n%g' 1 1300000 | paste -sd, >wide.txt
  expect_verdict wide.txt vesztesegmentes
}

scenario_blank_lines() {
  # No sub-schema, then 99,999 empty dependency lines, skipped without a word.
  yes '' | head -n 100000 >blank.txt
  expect_verdict blank.txt veszteseges
}

scenario_tableau_too_large() {
  # 200,000 sub-schemas over 200,001 attributes: far more cells than any memory holds.
  seq -f 'a%g' 1 200000 | paste -sd, >huge.txt
  yes x | head -n 199999 >>huge.txt
  run 3 "" "lossless-join: the tableau of 200000 rows and 200001 columns does not fit in memory" \
    huge.txt out.txt
  # A run that fails after the copy leaves the old output as it was, and nothing beside it.
  same_bytes out.txt out.orig
  no_temporary_files
}

scenario_out_of_memory() {
  # A tableau that fits in the machine, in a process allowed 300 MB of address space. The
  # dependency makes the rows x agree on a symbol that is no row's own: only the whole
  # chase decides it. It names every column, so that the chase takes all of them.
  if [ -n "${LOSSLESS_JOIN_WRAPPER:-}" ] || [ "${LOSSLESS_JOIN_SANITIZE:-OFF}" = ON ]; then
    echo "SKIP [$scenario]: the sanitizers and valgrind need address space of their own"
    exit 77
  fi
  seq -f 'a%g' 1 10000 | paste -sd, >wide.txt
  yes x | head -n 7999 >>wide.txt
  printf '\nx->' >>wide.txt
  seq -f 'a%g' 1 10000 | paste -sd, >>wide.txt
  timeout 300 bash -c 'ulimit -v 300000 && exec "$0" "$@"' "$bin" wide.txt out.txt >stdout 2>stderr
  status=$?
  [ "$status" = 3 ] || fail "exit status $status, expected 3"
  expect_stream stdout ""
  expect_stream stderr "lossless-join: out of memory"
  same_bytes out.txt out.orig
  no_temporary_files
}

scenario_standard_streams() {
  { cat in.txt; printf '\nvesztesegmentes'; } >expected
  # "-" as the input: standard input, read once.
  run 0 "Done." "" - out.txt <in.txt
  same_bytes out.txt expected
  # "-" as the output: standard output holds the output's bytes and nothing else.
  timeout 20 "$bin" in.txt - >stdout 2>stderr || fail "in.txt -: status $?"
  same_bytes stdout expected
  [ -s stderr ] && fail "in.txt -: stderr '$(cat stderr)'"
  [ -e ./- ] && fail "a file named - was created"
  # A filter, and a path to standard output: no "Done." mixed into the output.
  timeout 20 "$bin" - - <in.txt >stdout 2>stderr || fail "- -: status $?"
  same_bytes stdout expected
  timeout 20 "$bin" in.txt /dev/stdout >stdout 2>stderr || fail "in.txt /dev/stdout: status $?"
  same_bytes stdout expected
  # Also when the file that standard output writes to is gone: the link in /dev stays.
  (exec >gone.txt && rm gone.txt && timeout 20 "$bin" in.txt /dev/stdout) 2>stderr ||
    fail "in.txt /dev/stdout into a removed file: status $?"
  [ -L /dev/stdout ] || fail "/dev/stdout is no longer a link"
  # The explanation goes to standard error then.
  timeout 20 "$bin" --explain - - <in.txt >stdout 2>stderr || fail "--explain - -: status $?"
  same_bytes stdout expected
  grep -q Relaciosema stderr || fail "--explain - -: no explanation on stderr"
  # Warnings name standard input "-"; an empty input is a complete run too.
  printf 'A\n\nA->B\n' | timeout 20 "$bin" - - >stdout 2>stderr
  expect_stream stderr '-:3:4: warning: attribute "B" is in no sub-schema; ignored on the right-hand side'
  : | timeout 20 "$bin" - - >stdout 2>stderr || fail "empty standard input: status $?"
  printf '\nveszteseges' >expected
  same_bytes stdout expected
  # A closed standard output is a write error, status 2, before any verdict is claimed.
  timeout 20 "$bin" in.txt - >&- 2>stderr
  status=$?
  [ "$status" = 1 ] || [ "$status" = 2 ] || fail "closed stdout: status $status"
  no_temporary_files
}

scenario_output_replaced_whole() {
  { cat in.txt; printf '\nvesztesegmentes'; } >expected
  # An existing output keeps its permission bits; a new one gets those of the umask.
  chmod 640 out.txt
  run 0 "Done." "" in.txt out.txt
  same_bytes out.txt expected
  [ "$(stat -c %a out.txt)" = 640 ] || fail "out.txt: mode $(stat -c %a out.txt), expected 640"
  (umask 027 && timeout 20 "$bin" in.txt new.txt >/dev/null) || fail "new.txt: status $?"
  [ "$(stat -c %a new.txt)" = 640 ] || fail "new.txt: mode $(stat -c %a new.txt), expected 640"
  # A symbolic link stays a link, and the file it points to gets the output.
  cp out.orig real.txt
  ln -s real.txt link.txt
  run 0 "Done." "" in.txt link.txt
  [ -L link.txt ] || fail "the link was replaced by a file"
  same_bytes real.txt expected
  # In a folder elsewhere, the temporary file is made there, and removed.
  mkdir sub
  run 0 "Done." "" in.txt sub/out.txt
  same_bytes sub/out.txt expected
  no_temporary_files
}

scenario_output_in_locked_folder() {
  # A writable output in a folder that takes no new file is written in place, as before.
  mkdir locked
  cp out.orig locked/out.txt
  chmod 666 locked/out.txt
  chmod 555 locked
  run_as_other_user 0 "Done." "" in.txt locked/out.txt
  { cat in.txt; printf '\nvesztesegmentes'; } >expected
  same_bytes locked/out.txt expected
  chmod 755 locked
}

scenario_check() {
  printf 'A,B\nC\n\nA->B\n' >lossy.txt
  { cat in.txt; printf '\nvesztesegmentes'; } >expected
  run 0 "in.txt: lossless (vesztesegmentes), dependency-preserving" "" --check in.txt
  run 1 "$(printf '%s\n' 'in.txt: lossless (vesztesegmentes), dependency-preserving' 'lossy.txt: lossy (veszteseges), dependency-preserving')" "" \
    --check in.txt lossy.txt
  # A file that cannot be checked: its message, the others still checked, and 2 wins.
  run 2 "$(printf '%s\n' 'lossy.txt: lossy (veszteseges), dependency-preserving' 'in.txt: lossless (vesztesegmentes), dependency-preserving')" \
    "lossless-join: absent.txt: cannot read the input: No such file or directory" \
    --check lossy.txt absent.txt in.txt
  mkdir dir
  run 2 "" "lossless-join: dir: cannot read the input: Is a directory" --check dir
  run 0 "-: lossless (vesztesegmentes), dependency-preserving" "" --check - <in.txt
  # The chase's limit ends that file's check only.
  printf 'A,B\nB,C\nA,C\n\n*(A,B|B,C|A,C)\n' >cyclic.txt
  run 2 "in.txt: lossless (vesztesegmentes), dependency-preserving" \
    "lossless-join: cyclic.txt: the chase passed its limit of 3 rows; --max-rows sets another" \
    --check --max-rows 3 cyclic.txt in.txt
  # Warnings as a run writes them; no output file anywhere.
  printf 'A,B\nC\n\nA->X\n' >warn.txt
  local before
  before=$(ls -A)
  run 1 "warn.txt: lossy (veszteseges), dependency-preserving" \
    'warn.txt:4:4: warning: attribute "X" is in no sub-schema; ignored on the right-hand side' \
    --check warn.txt
  [ "$(ls -A)" = "$before" ] || fail "--check wrote a file: $(ls -A)"
  # Dependency preservation, after the verdict; the status follows the verdict alone.
  printf 'Street,Zip\nCity,Zip\n\nCity,Street->Zip\nZip->City\n' >zip.txt
  run 0 "zip.txt: lossless (vesztesegmentes), not dependency-preserving: City,Street->Zip" "" \
    --check zip.txt
  # From standard input, read once: the texts come from that one reading.
  run 0 "-: lossless (vesztesegmentes), not dependency-preserving: City,Street->Zip" "" \
    --check - <zip.txt
  # Wrong command lines say so with 2, as diff does, since 1 means a lossy file.
  run 2 "" "$(printf 'lossless-join: --check needs at least one FILE\n%s' "$hint")" --check
  run 2 "" "$(printf "lossless-join: unrecognized option '-e'\n%s" "$hint")" --check -e in.txt
  run 2 "" "$(printf 'lossless-join: --explain does not go with --check\n%s' "$hint")" \
    --check --explain in.txt
  same_bytes out.txt out.orig
}

scenario_implies() {
  # The exercise of the textbooks: given A->>B and B->D over A,B,C,D, what follows?
  printf 'A,B,C,D\n\nA->>B\nB->D\n' >r.txt
  run 0 "$(printf '%s\n' 'A->>D: implied' 'A->D: implied' 'A->>B,C: implied' '*(A,B|A,C,D): implied')" "" \
    --implies 'A->>D' --implies A-\>D --implies=A-\>\>B,C --implies '*(A,B|A,C,D)' r.txt
  run 1 "$(printf '%s\n' 'B->D: implied' 'A->C: not implied' 'B->>C: not implied')" "" \
    --implies B-\>D --implies A-\>C --implies 'B->>C' r.txt
  # A dependency that names an attribute of no sub-schema, or is none, is an error here;
  # the others are still answered, and 2 wins.
  run 2 "A->D: implied" "$(printf '%s\n' 'lossless-join: X->A: attribute "X" is in no sub-schema' \
    'lossless-join: A-B: no "->" in dependency; line ignored')" \
    --implies X-\>A --implies A-\>D --implies A-B r.txt
  run 2 "" 'lossless-join: *(A,B|B,C): join dependency does not name every attribute (an embedded join dependency); it is ignored' \
    --implies '*(A,B|B,C)' r.txt
  run 2 "" "lossless-join: absent.txt: cannot read the input: No such file or directory" \
    --implies A-\>B absent.txt
  run 0 "A->D: implied" "" --implies A-\>D - <r.txt
  # No output file, and wrong command lines with 2.
  run 2 "" "$(printf 'lossless-join: --implies takes one INPUT\n%s' "$hint")" --implies A-\>B r.txt in.txt
  run 2 "" "$(printf 'lossless-join: --implies does not go with --check\n%s' "$hint")" \
    --check --implies A-\>B r.txt
  same_bytes out.txt out.orig
  # With --explain: the chase of two rows that agree on A, and a counterexample when it fails.
  timeout 20 "$bin" --explain --implies A-\>C r.txt >stdout 2>stderr
  [ $? = 1 ] || fail "--explain --implies A->C: status, expected 1"
  grep -q '^  2 (A)  *a  *b2  *b2  *b2$' stdout || fail "no two-row tableau: $(cat stdout)"
  grep -q '^Row 2 is not a on C: A->C is not implied.$' stdout || fail "no answer: $(cat stdout)"
  grep -q '^A->C: not implied$' stdout || fail "no answer line: $(cat stdout)"
}

scenario_explain_documents() {
  if ! command -v python3 >/dev/null; then
    echo "SKIP [$scenario]: python3 is missing to parse the JSON"
    exit 77
  fi
  # Every example, explained as JSON and as LaTeX: the same verdict and steps as the text,
  # the same output file, nothing else on standard output, and a fragment whose
  # environments and braces close.
  for example in "$here/../../examples/"*.txt; do
    name=$(basename "$example")
    timeout 60 "$bin" --explain "$example" text.out >text.txt 2>/dev/null || fail "$name: text"
    timeout 60 "$bin" --explain=json "$example" json.out >doc.json 2>/dev/null || fail "$name: json"
    timeout 60 "$bin" --explain=latex "$example" latex.out >doc.tex 2>/dev/null || fail "$name: latex"
    same_bytes json.out text.out
    same_bytes latex.out text.out
    python3 - text.txt doc.json doc.tex "$(tail -c 15 text.out)" <<'PY' || fail "$name: the documents differ from the text"
import json, re, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
doc = json.load(open(sys.argv[2], encoding="utf-8"))
tex = open(sys.argv[3], encoding="utf-8", errors="replace").read()
lossless = sys.argv[4] == "vesztesegmentes"
assert doc["verdict"] == ("lossless" if lossless else "lossy"), doc["verdict"]
assert (doc["deciding_row"] is not None) == lossless and (doc["counterexample"] is None) == lossless
steps = re.search(r"\n(?:Equalizations|Chase steps)\n((?:  .*\n)*)", text).group(1)
count = 0 if steps.strip() == "none" else len(steps.splitlines())
assert len(doc["steps"]) == count, (len(doc["steps"]), count)
if lossless:
    needed = re.search(r"\n  (\d+) of \d+ (?:equalizations?|steps?)\.\n", text).group(1)
    assert len(doc["needed_steps"]) == int(needed)
final = text.split("Final tableau\n")[1].split("\n\n")[0].splitlines()
assert len(doc["final_tableau"]["rows"]) == len(final) - 1  # the text has a header line
assert tex.count("\\begin{") == tex.count("\\end{"), "environments"
depth = 0
for i, c in enumerate(tex):
    if c in "{}" and i > 0 and tex[i - 1] == "\\":
        continue
    depth += {"{": 1, "}": -1}.get(c, 0)
    assert depth >= 0, "a brace closes too early"
assert depth == 0, "braces"
PY
  done
  # The document alone on standard output: no Done.; with the output there, it goes to stderr.
  timeout 20 "$bin" --explain=json in.txt out.txt >stdout 2>stderr
  python3 -c 'import json, sys; json.load(open(sys.argv[1]))' stdout || fail "stdout is not one JSON document"
  timeout 20 "$bin" --explain=json in.txt - >stdout 2>stderr
  python3 -c 'import json, sys; json.load(open(sys.argv[1]))' stderr || fail "stderr is not one JSON document"
  run 2 "" "$(printf 'lossless-join: --implies explains as text only\n%s' "$hint")" \
    --explain=latex --implies A-\>B in.txt
}

scenario_check_json() {
  if ! command -v python3 >/dev/null; then
    echo "SKIP [$scenario]: python3 is missing to parse the JSON"
    exit 77
  fi
  # Names with quotes, backslashes, control bytes, UTF-8 and bytes that are not UTF-8; more
  # warnings than the terminal shows: every one is in the JSON.
  printf 'A"q,B\\s,C\001,\303\251,\351\n\n' >names.txt
  for i in $(seq 1 60); do printf 'X%d->A"q\n' "$i" >>names.txt; done
  printf 'A,B\nC\n\nA->B\n' >lossy.txt
  timeout 60 "$bin" --check --json names.txt absent.txt lossy.txt - <in.txt >stdout 2>stderr
  status=$?
  [ "$status" = 2 ] || fail "exit status $status, expected 2"
  expect_stream stderr "lossless-join: absent.txt: cannot read the input: No such file or directory"
  python3 - stdout <<'PY' || fail "the JSON lines are not what was expected: $(cat stdout)"
import json, sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
objects = [json.loads(line) for line in lines]
assert [o["file"] for o in objects] == ["names.txt", "absent.txt", "lossy.txt", "-"], objects
names, absent, lossy, stdin = objects
assert names["verdict"] == "lossless" and "error" not in names
assert len(names["warnings"]) == 60, len(names["warnings"])
first = names["warnings"][0]
assert first == {"line": 3, "column": 1,
                 "message": 'attribute "X1" is in no sub-schema; the dependency never applies'}, first
assert absent["error"] == "cannot read the input: No such file or directory" and "verdict" not in absent
assert lossy["verdict"] == "lossy" and stdin["verdict"] == "lossless"
assert lossy["dependency_preserving"] is True and lossy["not_preserved"] == []
assert "dependency_preserving" not in absent
PY
  printf 'Street,Zip\nCity,Zip\n\nZip->City\nCity,Street->Zip\n' >zip.txt
  timeout 20 "$bin" --check --json zip.txt >stdout 2>stderr || fail "zip.txt: status $?"
  python3 -c '
import json, sys
o = json.loads(open(sys.argv[1], encoding="utf-8").read())
assert o["dependency_preserving"] is False, o
assert o["not_preserved"] == [{"line": 5, "dependency": "City,Street->Zip"}], o
' stdout || fail "not_preserved: $(cat stdout)"
  # A file name with every awkward byte is one JSON string.
  name=$(printf 'q"b\\c\001\351.txt')
  cp in.txt "$name"
  timeout 20 "$bin" --check --json -- "$name" >stdout 2>stderr || fail "awkward name: status $?"
  python3 -c '
import json, sys
o = json.loads(open(sys.argv[1], encoding="utf-8").read())
assert o["file"] == "q\"b\\c\x01\u00e9.txt" and o["verdict"] == "lossless", o
' stdout || fail "awkward name: $(cat stdout)"
}

scenario_check_json_many_warnings() {
  if ! command -v python3 >/dev/null; then
    echo "SKIP [$scenario]: python3 is missing to parse the JSON"
    exit 77
  fi
  # 200,000 warnings, 22 MB of JSON: they wait for the verdict in a scratch file, which no
  # folder keeps, and come back whole; where no scratch file can be made, from memory alike.
  { printf 'A,B\n\nA->'; seq -f ' u%g' 1 100000 | paste -sd,; } >many.txt
  mkdir scratch
  TMPDIR=$PWD/scratch timeout 120 "$bin" --check --json many.txt >stdout 2>stderr ||
    fail "status $?"
  expect_stream stderr ""
  [ -z "$(ls -A scratch)" ] || fail "a scratch file was left: $(ls -A scratch)"
  python3 - stdout <<'PY' || fail "the JSON line is not what was expected"
import json, sys
o = json.loads(open(sys.argv[1], encoding="utf-8").read())
w = o["warnings"]
assert o["verdict"] == "lossless" and len(w) == 200000, len(w)
assert w[0] == {"line": 3, "column": 4,
                "message": 'attribute " u1" begins with a blank; names are taken as written'}, w[0]
assert w[-1]["message"] == ('attribute " u100000" is in no sub-schema; '
                            'ignored on the right-hand side'), w[-1]
PY
  TMPDIR=$PWD/absent timeout 120 "$bin" --check --json many.txt >from_memory 2>stderr ||
    fail "without a scratch file: status $?"
  same_bytes stdout from_memory
  timeout 120 "$bin" --check --json many.txt >/dev/full 2>stderr
  status=$?
  [ "$status" = 2 ] || fail "to a full disk: exit status $status, expected 2"
  expect_stream stderr "lossless-join: cannot write to standard output: No space left on device"
}

scenario_swapped_arguments() {
  # An earlier output as the input, a hand-written file as the output: refused, untouched.
  printf 'A,B\r\nA,C\r\n\r\nA->C\r\n\r\nvesztesegmentes' >old.txt
  cp old.txt old.orig
  refusal="ends with a verdict and in.txt does not: are the arguments swapped? Nothing was changed."
  run 1 "" "lossless-join: old.txt $refusal" old.txt in.txt
  same_bytes old.txt old.orig
  printf 'A\n\nveszteseges' >lossy.txt
  run 1 "" "lossless-join: lossy.txt $refusal" lossy.txt in.txt
  # A verdict word that is not a line of its own is no verdict.
  printf 'A\nxveszteseges' >word.txt
  run 0 "Done." "" word.txt new.txt
  # An earlier output still works as an input, to a new file, an empty one or another
  # output; its verdict line is a line without "->".
  rm -f new.txt
  verdict_line='old.txt:6:1: warning: no "->" in dependency; line ignored'
  run 0 "Done." "$verdict_line" old.txt new.txt
  { cat old.txt; printf '\r\nvesztesegmentes'; } >expected
  same_bytes new.txt expected
  : >empty.txt
  run 0 "Done." "$verdict_line" old.txt empty.txt
  same_bytes empty.txt expected
  run 0 "Done." "$verdict_line" old.txt lossy.txt
  same_bytes lossy.txt expected
  same_bytes old.txt old.orig
}

if [ "${1:-}" = --list ]; then
  declare -F | sed -n 's/^declare -f scenario_//p'
  exit 0
fi
bin=$1
scenario=$2
declare -F "scenario_$scenario" >/dev/null || { echo "FAIL [$scenario]: unknown scenario"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1

failed=0
printf 'A,B\nB,C\n\nB->C\n' >in.txt
cp in.txt in.orig
printf 'precious\n' >out.txt
cp out.txt out.orig
"scenario_$scenario"
same_bytes in.txt in.orig
exit $failed
