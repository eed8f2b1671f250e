#!/usr/bin/env bash
# make dist's files, made from this build tree as `make dist` makes them:
# the MSI's tables, the zip's members, SHA256SUMS, the stripped programs
# with their debug links and debug files, and the same bytes from a second
# run into another folder. Leaves, for the MSI tests, current/ (this
# version) and old/ (the same programs packed as 1.9.0).
#
# usage: dist_package_test.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -u
src=$1 build=$2 work=$3
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL: $1"; fail=1; fi; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
version=$(sed -n 's/^version=//p' "$build/dist-programs.txt")
programs=$(sed -n 's/^program=//p' "$build/dist-programs.txt")
base="KavrelLinkTune-$version-x64"
rm -rf "$work/current" "$work/old" "$work/again" "$work/small"
mkdir -p "$work"

t0=$(date +%s%N)
python3 "$src/packaging/dist.py" --build-dir "$build" --out "$work/current" >"$work/current.log" 2>&1
check "dist.py makes the release ($(( ($(date +%s%N) - t0) / 1000000 )) ms)" '[ $? -eq 0 ]' || cat "$work/current.log"
python3 "$src/packaging/dist.py" --build-dir "$build" --out "$work/old" --version 1.9.0 >"$work/old.log" 2>&1
check "dist.py makes the older test package 1.9.0" '[ $? -eq 0 ]' || cat "$work/old.log"
cd "$work/current" || exit 1
msi="$base.msi" zip="$base.zip"

# --- The file list and the sums, taken last ---
check "the MSI, the zip and SHA256SUMS are there" '[ -s "$msi" ] && [ -s "$zip" ] && [ -s SHA256SUMS ]'
check "SHA256SUMS lists the MSI and the zip, in that order" \
  '[ "$(awk "{ print \$2 }" SHA256SUMS | tr "\n" " ")" = "$msi $zip " ]'
check "SHA256SUMS matches the files" 'sha256sum --quiet -c SHA256SUMS'
check "nothing else is left in the output folder" \
  '[ "$(ls | tr "\n" " ")" = "$msi $zip SHA256SUMS debug " ]'

# --- The zip ---
mkdir -p unzipped
python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); z.extractall(sys.argv[2]); print("\n".join(z.namelist()))' \
  "$zip" unzipped >members.txt
want_members="KavrelLinkTune.exe"
for p in $programs; do [ "$(basename "$p")" = linktune.exe ] && want_members="$want_members linktune.exe"; done
check "the zip holds the programs and LISEZMOI.txt ($(tr '\n' ' ' <members.txt))" \
  '[ "$(sort members.txt | tr "\n" " ")" = "$(printf "%s\n" $want_members LISEZMOI.txt | sort | tr "\n" " ")" ]'
check "LISEZMOI.txt is French, for Notepad (BOM, CRLF), and names the version" \
  'head -c3 unzipped/LISEZMOI.txt | od -An -tx1 | grep -q "ef bb bf" && grep -q $'"'"'\r$'"'"' unzipped/LISEZMOI.txt &&
   grep -q "Kavrel LinkTune $version" unzipped/LISEZMOI.txt && grep -q "Contenu de l.archive" unzipped/LISEZMOI.txt &&
   grep -q "msiexec /i $msi /qn" unzipped/LISEZMOI.txt'

# --- The stripped programs and their debug files ---
for name in $want_members; do
  exe="unzipped/$name" dbg="debug/$name.debug"
  size=$(stat -c %s "$exe")
  echo "     $name: $size bytes stripped, debug file $(stat -c %s "$dbg" 2>/dev/null) bytes"
  check "$name has no debug sections left" '! x86_64-w64-mingw32-objdump -h "$exe" | grep -q "\.debug_info"'
  check "$name's debug file holds the debug information" 'x86_64-w64-mingw32-objdump -h "$dbg" | grep -q "\.debug_info"'
  check "$name's debug link names its debug file, with that file's checksum" \
    'python3 - "$exe" "$dbg" <<"PY"
import struct, sys, zlib
exe, dbg = sys.argv[1], sys.argv[2]
data = open(exe, "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
n, opt = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
table = pe + 24 + opt
syms = struct.unpack_from("<I", data, pe + 12)[0]
for i in range(n):
    raw = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0")
    size, offset = struct.unpack_from("<I", data, table + 40 * i + 8)[0], struct.unpack_from("<I", data, table + 40 * i + 20)[0]
    body = data[offset:offset + size]
    name = body[:body.index(b"\0")]
    crc = struct.unpack_from("<I", body, (len(name) + 4) // 4 * 4)[0] if len(body) >= 8 else None
    if name.endswith(b".debug") and crc == zlib.crc32(open(dbg, "rb").read()) and name.decode() == dbg.rsplit("/", 1)[-1]:
        sys.exit(0)
sys.exit(1)
PY'
  stamp=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(4096); p=struct.unpack_from("<I",d,0x3C)[0]; print(struct.unpack_from("<I",d,p+8)[0])' "$exe")
  check "$name's PE time stamp is SOURCE_DATE_EPOCH ($stamp)" '[ "$stamp" = "$SOURCE_DATE_EPOCH" ]'
done
# --- The size limits, written once in packaging/CMakeLists.txt ---
for name in $want_members; do
  limit=$(sed -n "s/^limit=$name //p" "$build/dist-programs.txt")
  size=$(stat -c %s "unzipped/$name")
  check "$name is within its size limit ($size of ${limit:-no limit} bytes)" '[ -n "$limit" ] && [ "$size" -le "$limit" ]'
done
# A limit below today's size stops dist.py before it packs anything.
mkdir -p "$work/small"
sed "s/^\(limit=KavrelLinkTune.exe\) .*/\1 100000/" "$build/dist-programs.txt" >"$work/small/dist-programs.txt"
python3 "$src/packaging/dist.py" --build-dir "$work/small" --out "$work/small/out" >"$work/small.log" 2>&1
small_rc=$?
check "a program over its limit stops the release, naming it ($(head -c 160 "$work/small.log"))" \
  '[ $small_rc -ne 0 ] && grep -q "KavrelLinkTune.exe is [0-9]* bytes stripped, over its limit of 100000" "$work/small.log" &&
   [ -z "$(ls "$work/small/out" 2>/dev/null)" ]'
grep -v "^limit=linktune.exe " "$build/dist-programs.txt" >"$work/small/dist-programs.txt"
python3 "$src/packaging/dist.py" --build-dir "$work/small" --out "$work/small/out" >"$work/small.log" 2>&1
small_rc=$?
if [ -n "$(echo "$programs" | grep linktune.exe)" ]; then
  check "a program without a limit stops the release" '[ $small_rc -ne 0 ] && grep -q "linktune.exe has no size limit" "$work/small.log"'
fi
python3 "$src/tests/win/pe_header_test.py" unzipped/*.exe >pe.txt
check "the stripped programs keep ASLR, DEP and no writable code" '[ $? -eq 0 ]' || cat pe.txt
# shellcheck disable=SC2086
bash "$src/tests/win/program_imports_test.sh" $(printf 'unzipped/%s ' $want_members) >imports.txt
check "the stripped programs import only Windows' known DLLs; the window program keeps its resources" '[ $? -eq 0 ]' ||
  cat imports.txt

# --- The MSI's tables ---
table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
prop() { table Property | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }
check "product name \"Kavrel LinkTune\"" '[ "$(prop ProductName)" = "Kavrel LinkTune" ]'
check "publisher \"Kavrel\"" '[ "$(prop Manufacturer)" = "Kavrel" ]'
check "version $version" '[ "$(prop ProductVersion)" = "$version" ]'
check "French (1036)" '[ "$(prop ProductLanguage)" = 1036 ] && msiinfo suminfo "$msi" | grep -q "Template: x64;1036"'
check "the fixed upgrade code" '[ "$(prop UpgradeCode)" = "{C4AFA245-1C3F-4858-BBB9-88120BD56C05}" ]'
check "per machine (ALLUSERS=1)" '[ "$(prop ALLUSERS)" = 1 ]'
check "the entry's icon is the program's icon" \
  '[ "$(prop ARPPRODUCTICON)" = KavrelLinkTune.ico ] && table Icon | grep -q "^KavrelLinkTune.ico"'
check "no custom action" '[ -z "$(table CustomAction)" ]'
# No access list of the package's own: the install folder inherits Program
# Files', where only administrators and the system may write, so no one
# else can put a DLL beside the programs.
check "no LockPermissions or MsiLockPermissionsEx table (tables: $(msiinfo tables "$msi" | tr -d '\r' | tr '\n' ' '))" \
  '[ -n "$(msiinfo tables "$msi")" ] && ! msiinfo tables "$msi" | tr -d "\r" | grep -qxE "LockPermissions|MsiLockPermissionsEx"'
check "installs into Program Files (64-bit)\\Kavrel\\LinkTune" \
  'table Directory | grep -q "^KavrelFolder	ProgramFiles64Folder	Kavrel$" && table Directory | grep -q "^INSTALLFOLDER	KavrelFolder	LinkTune$"'
check "the files: $(table File | cut -f3 | tr '\n' ' ')" \
  '[ "$(table File | cut -f3 | sort | tr "\n" " ")" = "$(printf "%s\n" $want_members | sort | tr "\n" " ")" ]'
check "64-bit components (attribute 256)" \
  '[ -n "$(table Component)" ] && ! table Component | cut -f4 | while read -r a; do (( a & 256 )) || echo 32-bit; done | grep -q .'
check "the Start-menu shortcut \"Kavrel LinkTune\" with the icon" \
  'table Shortcut | awk -F"\t" "\$2 == \"ProgramMenuFolder\" && \$3 == \"Kavrel LinkTune\" && \$9 == \"KavrelLinkTune.ico\"" | grep -q .'
check "a major upgrade: older versions are removed, newer ones detected" \
  '[ "$(table Upgrade | cut -f2,3,7 | tr "\t\n" ",;")" = ",$version,WIX_UPGRADE_DETECTED;$version,,WIX_DOWNGRADE_DETECTED;" ] &&
   table InstallExecuteSequence | grep -q "^RemoveExistingProducts"'
check "an older package over a newer one is refused with a French message" \
  'table LaunchCondition | grep -q "^NOT WIX_DOWNGRADE_DETECTED	Une version plus récente de Kavrel LinkTune est déjà installée"'
mkdir -p extracted
msiextract -C extracted "$msi" >/dev/null
check "the MSI carries the same programs as the zip" \
  '(for n in $want_members; do cmp -s "extracted/Kavrel/LinkTune/$n" "unzipped/$n" || exit 1; done)'

# --- The older test package ---
oldprop() { msiinfo export "../old/KavrelLinkTune-1.9.0-x64.msi" Property | tr -d '\r' | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }
check "the older package: version 1.9.0, its own product code, the same upgrade code" \
  '[ "$(oldprop ProductVersion)" = 1.9.0 ] && [ "$(oldprop ProductCode)" != "$(prop ProductCode)" ] &&
   [ "$(oldprop UpgradeCode)" = "$(prop UpgradeCode)" ]'

# --- The same bytes again, from another output folder ---
python3 "$src/packaging/dist.py" --build-dir "$build" --out "$work/again/elsewhere" >/dev/null 2>&1
for f in "$msi" "$zip" SHA256SUMS debug/*; do
  check "a second run gives the same $f" 'cmp -s "$f" "$work/again/elsewhere/$f"'
done
rm -rf unzipped extracted members.txt pe.txt imports.txt "$work/again"
exit $fail
