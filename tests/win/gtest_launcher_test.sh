#!/usr/bin/env bash
# The test programs' launcher starts a program again only when Wine ended it
# before it printed anything, and otherwise hands on the program's own output
# and status. A stand-in for Wine plays each kind of run.
set -u
launcher=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
check() {  # what, got, want
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL: $1: got '$2', want '$3'"; status=1; fi
}

# stand-in SILENT_STARTS LAST_OUTPUT LAST_STATUS: its first SILENT_STARTS runs
# end with status 53 having printed nothing but a line on stderr; later runs print LAST_OUTPUT and
# end with LAST_STATUS. Every run is counted in $work/starts.
cat > "$work/stand-in" <<'STAND_IN'
#!/usr/bin/env bash
n=$(( $(cat "$WORK/starts" 2>/dev/null || echo 0) + 1 ))
echo "$n" > "$WORK/starts"
if [ "$n" -le "$SILENT_STARTS" ]; then echo "wine: start $n went wrong" >&2; exit 53; fi
[ -n "$LAST_OUTPUT" ] && printf '%s\n' "$LAST_OUTPUT"
exit "$LAST_STATUS"
STAND_IN
chmod +x "$work/stand-in"

# play SILENT_STARTS LAST_OUTPUT LAST_STATUS: runs the launcher on the
# stand-in; sets out, err, rc, starts and logged (starts in the starts log).
play() {
  rm -f "$work/starts" "$work/starts.log"
  WORK=$work SILENT_STARTS=$1 LAST_OUTPUT=$2 LAST_STATUS=$3 \
    KAVREL_GTEST_RUNNER="$work/stand-in" KAVREL_GTEST_STARTS_LOG="$work/starts.log" \
    "$launcher" some_test.exe --gtest_filter=A.B >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out"); err=$(cat "$work/err")
  starts=$(cat "$work/starts")
  logged=$( (grep -v "^    stderr:" "$work/starts.log" 2>/dev/null || true) | wc -l)
}

play 1 "[  PASSED  ] 1 test." 0
check "a silent failed start is made again: status" "$rc" 0
check "a silent failed start is made again: starts" "$starts" 2
check "a silent failed start is made again: the test's output" "$out" "[  PASSED  ] 1 test."
check "a silent failed start is logged once" "$logged" 1
case $err in
  *"some_test.exe ended with status 53 before printing anything (start 1 of 3)"*) echo "ok   the new start is said on stderr" ;;
  *) echo "FAIL: stderr does not say the new start: '$err'"; status=1 ;;
esac
grep -q "status 53 start 1: some_test.exe --gtest_filter=A.B" "$work/starts.log" \
  && echo "ok   the log names the program and its arguments" \
  || { echo "FAIL: log line: $(cat "$work/starts.log")"; status=1; }
grep -q "stderr: wine: start 1 went wrong" "$work/starts.log" \
  && echo "ok   the log keeps what Wine said on stderr" \
  || { echo "FAIL: no stderr in the log: $(cat "$work/starts.log")"; status=1; }
case $err in
  *"wine: start 1 went wrong"*) echo "ok   what Wine said on stderr is passed on" ;;
  *) echo "FAIL: stderr not passed on: '$err'"; status=1 ;;
esac

play 0 "[  FAILED  ] A.B" 1
check "a test that failed is not run again: status" "$rc" 1
check "a test that failed is not run again: starts" "$starts" 1
check "a test that failed is not run again: output" "$out" "[  FAILED  ] A.B"
check "a test that failed is not logged" "$logged" 0

play 9 "never printed" 0
check "a program Wine never starts fails with Wine's status" "$rc" 53
check "a program Wine never starts is started three times" "$starts" 3
check "each of the three starts is logged" "$logged" 3

play 0 "" 0
check "a silent success is kept: status" "$rc" 0
check "a silent success is kept: starts" "$starts" 1
exit $status
