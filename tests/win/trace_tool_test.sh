#!/usr/bin/env bash
# linktune-trace as a user runs it: the call lines of each profile, the
# usage message and its exit status.
set -u
emulator=$1
tool=$2
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

out=$("$emulator" "$tool" modem 56 | tr -d '\r')
check "modem 56 makes 49 calls" '[ "$(printf "%s\n" "$out" | wc -l)" -eq 49 ]'
check "first call is row 17" '[ "$(printf "%s\n" "$out" | head -1 | cut -f1-7)" = "$(printf "17\tset\tHKLM\tsystem\\\\currentcontrolset\\\\services\\\\VxD\\\\Mstcp\tDefaultRcvWindow\tREG_SZ\t2144")" ]'
check "row 43 carries TTL 64" 'printf "%s\n" "$out" | grep -q "^43	set	HKLM	SYSTEM\\\\CurrentControlSet\\\\Services\\\\Tcpip\\\\Parameters	DefaultTTL	REG_DWORD	64$"'
check "row 44 carries 4096" 'printf "%s\n" "$out" | grep -q "^44	.*	TcpWindowSize	REG_DWORD	4096$"'
check "row 78 is the delete" 'printf "%s\n" "$out" | grep -q "^78	delete	HKLM	.*	{D6277990-4C6A-11CF-8D87-00AA0060F5BF}	-	-$"'
check "row 79 passes its text" 'printf "%s\n" "$out" | grep -q "^79	.*	REG_DWORD	\"00000180\"$"'

out=$("$emulator" "$tool" lan 33 | tr -d '\r')
check "lan 33 makes 55 calls" '[ "$(printf "%s\n" "$out" | wc -l)" -eq 55 ]'
check "lan TTL is 128" 'printf "%s\n" "$out" | grep -q "	DefaultTTL	REG_DWORD	128$"'
out=$("$emulator" "$tool" adsl 1024 | tr -d '\r')
check "adsl 1024 makes 54 calls" '[ "$(printf "%s\n" "$out" | wc -l)" -eq 54 ]'
check "adsl window 24576" 'printf "%s\n" "$out" | grep -q "	TcpWindowSize	REG_DWORD	24576$"'

for bad in "" "modem" "isdn 56" "modem 57" "modem 56 --force"; do
  # shellcheck disable=SC2086
  "$emulator" "$tool" $bad >/dev/null 2>/tmp/trace-usage.$$; status=$?
  check "'$bad' is refused with status 2" '[ $status -eq 2 ] && grep -q "usage:" /tmp/trace-usage.$$'
done
rm -f /tmp/trace-usage.$$
exit $fail
