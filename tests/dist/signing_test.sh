#!/usr/bin/env bash
# Signing round trip: a throwaway self-signed certificate made here, make
# dist's packing with SIGN_CERT and SIGN_KEY, and osslsigncode's verdict on
# the programs (in the zip and in the MSI) and on the MSI. A changed byte
# and an unsigned program must fail the same verification.
#
# usage: signing_test.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -u
src=$1 build=$2 work=$3
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL: $1"; fail=1; fi; }
rm -rf "$work"
mkdir -p "$work/keys"
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj "/CN=Kavrel LinkTune test/O=Kavrel" \
  -keyout "$work/keys/key.pem" -out "$work/keys/cert.pem" >/dev/null 2>&1
check "a throwaway certificate is made" '[ -s "$work/keys/cert.pem" ] && [ -s "$work/keys/key.pem" ]'

SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)} \
SIGN_CERT="$work/keys/cert.pem" SIGN_KEY="$work/keys/key.pem" \
  python3 "$src/packaging/dist.py" --build-dir "$build" --out "$work/out" >"$work/dist.log" 2>&1
check "dist.py signs and packs" '[ $? -eq 0 ]' || cat "$work/dist.log"
cd "$work/out" || exit 1
msi=$(ls KavrelLinkTune-*-x64.msi) zip=$(ls KavrelLinkTune-*-x64.zip)
verify() { osslsigncode verify -CAfile "$work/keys/cert.pem" -in "$1" >"$work/verify.txt" 2>&1; }
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" unzipped
msiextract -C extracted "$msi" >/dev/null
for exe in unzipped/*.exe; do
  n=$(basename "$exe")
  verify "$exe"
  check "$n in the zip carries a valid signature" '[ $? -eq 0 ] && grep -q "Signature verification: ok" "$work/verify.txt"' ||
    cat "$work/verify.txt"
  check "$n in the MSI is the same signed program" 'cmp -s "$exe" "extracted/Kavrel/LinkTune/$n"'
done
verify "$msi"
check "the MSI carries a valid signature" '[ $? -eq 0 ] && grep -q "Signature verification: ok" "$work/verify.txt"' ||
  cat "$work/verify.txt"
check "signed by the given certificate" 'grep -q "Subject: /CN=Kavrel LinkTune test" "$work/verify.txt"'
check "no time stamp was asked for (no network)" 'grep -q "Timestamp is not available" "$work/verify.txt"'
check "SHA256SUMS is of the signed files" 'sha256sum --quiet -c SHA256SUMS'

# The verification is real: it fails on a changed byte and without a signature.
cp unzipped/KavrelLinkTune.exe changed.exe
printf '\x90' | dd of=changed.exe bs=1 seek=4096 conv=notrunc status=none
verify changed.exe
check "a program with one byte changed fails the verification" '[ $? -ne 0 ]'
verify "$build/bin/KavrelLinkTune.exe"
check "an unsigned program fails it" '[ $? -ne 0 ]'
cd / && rm -rf "$work"
exit $fail
