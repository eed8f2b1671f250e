#!/usr/bin/env bash
# Compares what the program writes with the golden files beside this script,
# byte for byte, and names the line or byte that differs:
#   golden_test.sh trace    EMULATOR TRACE_TOOL   the calls of all 18 profiles
#   golden_test.sh stored   BUILD_APP_DIR         Form1's bytes, Bar1's and Bar2's stored sets
#   golden_test.sh pbrender EMULATOR PBRENDER     the images of pbrender_cases.txt
# EMULATOR is "" for a native tool. With GOLDEN_WRITE=1 the golden files are
# written instead of compared: only for a change meant to alter an output,
# and the new files are then checked by eye before they are committed.
set -u
golden=$(cd "$(dirname "$0")" && pwd)
mode=${1:?mode}
shift
fail=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# compare_text GOT WANT: the first differing line, numbered.
compare_text() {
  local got=$1 want=$2
  if [ "${GOLDEN_WRITE:-0}" = 1 ]; then cp "$got" "$want"; return; fi
  if ! cmp -s "$got" "$want"; then
    echo "FAIL: $(basename "$want") differs from its golden file:"
    diff "$want" "$got" | head -8 | sed 's/^/    /'
    fail=1
  fi
}

# compare_bytes GOT WANT [describe-offset-function]
compare_bytes() {
  local got=$1 want=$2 where=${3:-}
  if [ "${GOLDEN_WRITE:-0}" = 1 ]; then cp "$got" "$want"; return; fi
  local gs ws
  gs=$(stat -c %s "$got") ws=$(stat -c %s "$want")
  if [ "$gs" != "$ws" ]; then
    echo "FAIL: $(basename "$want"): $gs bytes, golden $ws bytes"
    fail=1
    return
  fi
  local first
  first=$(cmp "$got" "$want" | head -1)
  if [ -n "$first" ]; then
    # cmp counts bytes from 1.
    local offset=$(( $(sed -E 's/.*byte ([0-9]+).*/\1/' <<<"$first") - 1 ))
    local got_byte want_byte
    got_byte=$(od -An -tx1 -j "$offset" -N1 "$got" | tr -d ' ')
    want_byte=$(od -An -tx1 -j "$offset" -N1 "$want" | tr -d ' ')
    echo "FAIL: $(basename "$want"): byte $offset is 0x$got_byte, golden 0x$want_byte${where:+ ($($where "$want" "$offset"))}"
    fail=1
  fi
}

# bmp_pixel FILE OFFSET: the pixel and channel of a 24-bit bottom-up BMP byte.
bmp_pixel() {
  local file=$1 offset=$2 u32 width height data stride row
  u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
  data=$(u32 "$file" 10) width=$(u32 "$file" 18) height=$(u32 "$file" 22)
  if [ "$offset" -lt "$data" ]; then echo "header"; return; fi
  stride=$(( (width * 3 + 3) / 4 * 4 ))
  row=$(( (offset - data) / stride ))
  local col=$(( (offset - data) % stride ))
  if [ $(( col / 3 )) -ge "$width" ]; then echo "row padding"; return; fi
  echo "pixel ($(( col / 3 )), $(( height - 1 - row ))), $(cut -d' ' -f$(( col % 3 + 1 )) <<<"blue green red")"
}

case $mode in
  trace)
    emulator=$1 tool=$2
    for type in lan modem adsl; do
      for speed in 33 56 64 128 512 1024; do
        # shellcheck disable=SC2086
        $emulator "$tool" "$type" "$speed" | tr -d '\r' >"$work/out.txt"
        compare_text "$work/out.txt" "$golden/trace/$type-$speed.txt"
      done
    done
    ;;
  stored)
    app=$1
    compare_bytes "$app/form1.bin" "$golden/stored/form1.bin"
    compare_bytes "$app/form1-sets/Bar1.set" "$golden/stored/Bar1.set"
    compare_bytes "$app/form1-sets/Bar2.set" "$golden/stored/Bar2.set"
    ;;
  pbrender)
    emulator=$1 tool=$2
    count=0
    while read -r name options; do
      case $name in ''|'#'*) continue ;; esac
      options=${options//\{golden\}/$golden}
      # shellcheck disable=SC2086
      if ! $emulator "$tool" $options --out "$work/$name.bmp" >/dev/null; then
        echo "FAIL: pbrender $options failed"
        fail=1
        continue
      fi
      compare_bytes "$work/$name.bmp" "$golden/pbrender/$name.bmp" bmp_pixel
      count=$((count + 1))
    done <"$golden/pbrender_cases.txt"
    [ "$count" -gt 0 ] || { echo "FAIL: no pbrender case"; fail=1; }
    ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
exit $fail
