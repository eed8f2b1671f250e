#!/usr/bin/env python3
"""Builds the release files of Kavrel LinkTune from a built Windows tree.

usage: dist.py --build-dir build/windows --out build/dist [--version V]
               [--sign-cert CERT.pem --sign-key KEY.pem]

Into OUT:
  KavrelLinkTune-V-x64.msi   the installer (wixl)
  KavrelLinkTune-V-x64.zip   the programs and LISEZMOI.txt
  SHA256SUMS                 of the two, written last
  debug/NAME.exe.debug       the debug information of each program
The programs are stripped, with a debug link to their debug file, and signed
(Authenticode, no time stamp) when a certificate and key are given; then the
MSI is signed too.

Unsigned, the output depends on nothing but the sources: SOURCE_DATE_EPOCH
(taken from the commit when it is not set) stands for every time stamp (the
PE header that objcopy writes, the files in the zip and the cabinet, the
MSI's summary), and the MSI's product and package codes are derived from the
version and the packed bytes. The build tree (dist-programs.txt, written by
CMake) names the programs and the version.
"""
import argparse
import datetime
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import uuid
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
OBJCOPY = "x86_64-w64-mingw32-objcopy"
# Names derived from this namespace are the product's own codes.
CODES = uuid.UUID("C4AFA245-1C3F-4858-BBB9-88120BD56C05")  # the upgrade code


def fail(message):
    print(f"dist: {message}", file=sys.stderr)
    sys.exit(1)


def run(*args, **kw):
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)
    if result.returncode != 0:
        fail(f"{' '.join(args)} failed:\n{result.stdout}")
    return result.stdout


def source_date_epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if not value:
        try:
            value = subprocess.run(["git", "-C", HERE, "log", "-1", "--format=%ct"], check=True,
                                   stdout=subprocess.PIPE, text=True).stdout.strip()
        except (OSError, subprocess.CalledProcessError):
            fail("SOURCE_DATE_EPOCH is not set and the commit's time cannot be read")
    if not value.isdigit():
        fail(f"SOURCE_DATE_EPOCH is not a number of seconds: {value!r}")
    return int(value)


def read_build(build_dir):
    """The version and the programs the build made, from CMake's list."""
    listing = os.path.join(build_dir, "dist-programs.txt")
    if not os.path.exists(listing):
        fail(f"{listing} is missing: configure the build tree first")
    fields = {}
    programs = []
    limits = {}
    with open(listing, encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            if key == "program":
                programs.append(value)
            elif key == "limit":
                name, _, size = value.rpartition(" ")
                if not name or not size.isdigit():
                    fail(f"{listing}: size limit {value!r} is not NAME BYTES")
                limits[name] = int(size)
            elif key:
                fields[key] = value
    for p in programs:
        if not os.path.isfile(p):
            fail(f"{p} is not built")
        if os.path.basename(p) not in limits:
            fail(f"{os.path.basename(p)} has no size limit in {listing}")
    return fields, programs, limits


def pe_timestamp(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<I", data, pe + 8)[0]


def strip_program(program, stage, debug_dir, epoch):
    """Stripped copy in STAGE with a debug link; debug file in DEBUG_DIR."""
    name = os.path.basename(program)
    debug = os.path.join(debug_dir, name + ".debug")
    out = os.path.join(stage, name)
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))  # else objcopy stamps the current time
    run(OBJCOPY, "--only-keep-debug", program, debug, env=env)
    # The debug link holds the file's name and checksum, found beside the
    # program or in a debug folder.
    run(OBJCOPY, "--strip-all", f"--add-gnu-debuglink={debug}", program, out, env=env)
    if pe_timestamp(out) != epoch:
        fail(f"{out}: PE time stamp {pe_timestamp(out)}, not SOURCE_DATE_EPOCH {epoch}")
    return out


def sign(path, cert, key, description):
    signed = path + ".signed"
    run("osslsigncode", "sign", "-certs", cert, "-key", key, "-n", description,
        "-i", "https://www.kavrel.example/", "-h", "sha256", "-in", path, "-out", signed)
    os.replace(signed, path)


def readme_text(version, with_console):
    with open(os.path.join(HERE, "LISEZMOI.txt"), encoding="utf-8") as f:
        text = f.read()
    console = ("\n- linktune.exe : le même réglage en ligne de commande, pour les scripts\n"
               "  (afficher, appliquer, vérifier, sauvegarder et restaurer les réglages).") if with_console else ""
    text = text.replace("@VERSION@", version).replace("@CONSOLE@", console)
    # Windows' Notepad, old and new: CRLF, UTF-8 with its mark.
    return "\ufeff" + text.replace("\n", "\r\n")


def write_zip(path, members, epoch):
    stamp = datetime.datetime.fromtimestamp(max(epoch, 315532800), datetime.timezone.utc).timetuple()[:6]
    with zipfile.ZipFile(path, "w") as z:
        for name, data in members:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS attributes: nothing of the packing machine
            info.external_attr = 0x20  # archive
            z.writestr(info, data, compresslevel=9)


def patch_summary(msi, package_code, epoch):
    """Makes wixl's summary information reproducible: the package code, the
    two time stamps and the template's language (French)."""
    with open(msi, "rb") as f:
        data = bytearray(f.read())
    fmtid = uuid.UUID("F29F85E0-4FF9-1068-AB91-08002B27B3D9").bytes_le
    at = data.find(b"\xfe\xff\x00\x00")
    while at >= 0 and data[at + 28:at + 44] != fmtid:
        at = data.find(b"\xfe\xff\x00\x00", at + 1)
    if at < 0:
        fail(f"{msi}: no summary information found")
    section = at + struct.unpack_from("<I", data, at + 44)[0]
    size, count = struct.unpack_from("<II", data, section)
    if size > 4096 or count > 32:
        fail(f"{msi}: summary information not understood")
    props = {}
    for i in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * i)
        props[pid] = section + offset
    filetime = (epoch + 11644473600) * 10000000
    done = set()
    for pid, pos in props.items():
        vt = struct.unpack_from("<I", data, pos)[0]
        if pid in (12, 13) and vt == 64:  # create and last-save times, VT_FILETIME
            struct.pack_into("<Q", data, pos + 4, filetime)
            done.add(pid)
        elif pid == 9 and vt == 30:  # revision number: the package code, VT_LPSTR
            length = struct.unpack_from("<I", data, pos + 4)[0]
            text = ("{" + str(package_code).upper() + "}").encode("ascii")
            if length < len(text) + 1 or not data[pos + 8:pos + 9] == b"{":
                fail(f"{msi}: package code field not understood")
            data[pos + 8:pos + 8 + len(text)] = text
            done.add(pid)
        elif pid == 7 and vt == 30:  # template "x64;1033"
            length = struct.unpack_from("<I", data, pos + 4)[0]
            old = bytes(data[pos + 8:pos + 8 + length]).rstrip(b"\0")
            new = re.sub(rb";\d+$", b";1036", old)
            if len(new) != len(old):
                fail(f"{msi}: template {old!r} not understood")
            data[pos + 8:pos + 8 + len(new)] = new
            done.add(pid)
    if done != {7, 9, 12, 13}:
        fail(f"{msi}: summary information lacks fields {sorted({7, 9, 12, 13} - done)}")
    with open(msi, "wb") as f:
        f.write(data)


def build_msi(out, stage, version, with_console, icon, epoch):
    wxs = os.path.join(HERE, "KavrelLinkTune.wxs")
    files = os.path.join(os.path.dirname(out), "msi-files")
    shutil.rmtree(files, ignore_errors=True)
    os.makedirs(files)
    for name in sorted(os.listdir(stage)):
        shutil.copy2(os.path.join(stage, name), files)
    shutil.copyfile(icon, os.path.join(files, "KavrelLinkTune.ico"))
    hashed = hashlib.sha256()
    for name in sorted(os.listdir(files)):
        os.utime(os.path.join(files, name), (epoch, epoch))  # the cabinet keeps each file's time
    for name in sorted(os.listdir(files)) + [wxs]:
        path = os.path.join(files, name)
        with open(path, "rb") as f:
            hashed.update(os.path.basename(path).encode() + b"\0" + f.read())
    # One product code per version (a major upgrade needs a new one); one
    # package code per distinct package.
    product_code = uuid.uuid5(CODES, f"product {version}")
    package_code = uuid.uuid5(CODES, f"package {version} {hashed.hexdigest()}")
    # wixl takes the files' names relative to the folder it runs in.
    args = ["wixl", "-a", "x64", "-o", out, "-D", f"Version={version}",
            "-D", f"ProductCode={str(product_code).upper()}"]
    if with_console:
        args += ["-D", "WithConsole=1"]
    output = run(*args, wxs, cwd=files)
    # wixl says "unimplemented" for attributes it ignores; anything else is news.
    for line in output.splitlines():
        if line.strip() and "unimplemented" not in line:
            print(f"wixl: {line}")
    patch_summary(out, package_code, epoch)
    shutil.rmtree(files)


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--version", help="the package's version (default: the build's)")
    parser.add_argument("--sign-cert", default=os.environ.get("SIGN_CERT") or None)
    parser.add_argument("--sign-key", default=os.environ.get("SIGN_KEY") or None)
    a = parser.parse_args()
    if bool(a.sign_cert) != bool(a.sign_key):
        fail("signing needs both SIGN_CERT and SIGN_KEY")
    epoch = source_date_epoch()
    fields, programs, limits = read_build(a.build_dir)
    version = a.version or fields["version"]
    if not re.fullmatch(r"\d+(\.\d+){1,3}", version):
        fail(f"version {version!r} is not N.N[.N[.N]]")
    names = [os.path.basename(p) for p in programs]
    if "KavrelLinkTune.exe" not in names:
        fail("KavrelLinkTune.exe is not among the programs")
    with_console = "linktune.exe" in names

    out = os.path.abspath(a.out)
    stage = os.path.join(out, "stage")
    debug_dir = os.path.join(out, "debug")
    base = f"KavrelLinkTune-{version}-x64"
    for old in (stage, debug_dir):
        shutil.rmtree(old, ignore_errors=True)
    for old in (f"{base}.msi", f"{base}.zip", "SHA256SUMS"):
        if os.path.exists(os.path.join(out, old)):
            os.remove(os.path.join(out, old))
    os.makedirs(stage)
    os.makedirs(debug_dir)

    staged = [strip_program(p, stage, debug_dir, epoch) for p in programs]
    over = [f"{os.path.basename(p)} is {os.path.getsize(p)} bytes stripped, over its limit of "
            f"{limits[os.path.basename(p)]}" for p in staged if os.path.getsize(p) > limits[os.path.basename(p)]]
    if over:
        shutil.rmtree(stage)
        shutil.rmtree(debug_dir)
        fail("; ".join(over) + " (the limits are in packaging/CMakeLists.txt)")
    if a.sign_cert:
        for p in staged:
            sign(p, a.sign_cert, a.sign_key, "Kavrel LinkTune")
    members = []
    for p in sorted(staged):
        with open(p, "rb") as f:
            members.append((os.path.basename(p), f.read()))
    members.append(("LISEZMOI.txt", readme_text(version, with_console).encode("utf-8")))
    zip_path = os.path.join(out, f"{base}.zip")
    write_zip(zip_path, members, epoch)

    msi_path = os.path.join(out, f"{base}.msi")
    build_msi(msi_path, stage, version, with_console, fields["icon"], epoch)
    if a.sign_cert:
        sign(msi_path, a.sign_cert, a.sign_key, "Kavrel LinkTune")

    with open(os.path.join(out, "SHA256SUMS"), "w", encoding="ascii", newline="\n") as f:
        for p in (msi_path, zip_path):
            f.write(f"{sha256(p)}  {os.path.basename(p)}\n")
    for p in staged:
        print(f"{os.path.getsize(p):>10}  {os.path.basename(p)} (stripped{', signed' if a.sign_cert else ''}, in both)")
    shutil.rmtree(stage)
    for p in sorted(os.listdir(out)) + [os.path.join("debug", n) for n in sorted(os.listdir(debug_dir))]:
        full = os.path.join(out, p)
        if os.path.isfile(full):
            print(f"{os.path.getsize(full):>10}  {os.path.relpath(full)}")


if __name__ == "__main__":
    main()
