#!/usr/bin/env python3
"""Seed corpus of the backup file fuzzer: a few backups as the program writes
them (every kind of value, continued lines, comments, both roots, an empty
one), in the registry editor's UTF-16LE with CRLF.

usage: backup_seeds.py OUT_DIR"""
import os
import sys

SIG = "Windows Registry Editor Version 5.00"


def write(path, lines):
    text = "\r\n".join(lines) + "\r\n"
    open(path, "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))


def utf16_hex(text):
    return ",".join(f"{b:02x}" for b in text.encode("utf-16-le"))


def main(out):
    os.makedirs(out, exist_ok=True)
    header = ["; Kavrel LinkTune 2.00.0007 (linktune.exe) : sauvegarde des réglages avant optimisation",
              "; Date : 2024-05-01 14:03:22 (heure locale)", "; Ordinateur : POSTE-1", "; Utilisateur : alice",
              "; Profil : adsl 1024"]
    long_binary = ",".join(f"{b:02x}" for b in range(23))
    rest = ",".join(f"{b:02x}" for b in range(23, 48))
    every = [SIG, ""] + header + [
        "",
        r"[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters]",
        '"DefaultTTL"=-',
        '"TcpWindowSize"=dword:00006000',
        '"SackOpts"="C:\\\\a \\"b\\" é"',
        '"Tcp1323Opts"=hex(1):36,00,34,00',
        '"MaxDupAcks"=hex(2):' + utf16_hex("%TEMP%\0"),
        '"EnablePMTUDiscovery"=hex(7):' + utf16_hex("a\0b\0\0"),
        '"GlobalMaxTcpWindowSize"=hex:' + long_binary + ",\\",
        "  " + rest,
        '"TcpUseRFC1122UrgentPointer"=hex(b):01,02,03,04,05,06,07,08',
        '"Other"=hex(ffff0001):',
        "; clé absente, rien à sauvegarder : HKEY_LOCAL_MACHINE\\system\\Currentcontrolset\\services\\Services"
        "\\Tcpip\\Parameters, « MaxDupAcks »",
        "",
        r"[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]",
        '"MaxConnectionsPerServer"=dword:00000004',
        "",
        "; fin : 10 valeurs",
    ]
    write(os.path.join(out, "every-kind.reg"), every)
    write(os.path.join(out, "empty.reg"), [SIG, "", "; fin : 0 valeur"])
    write(os.path.join(out, "one.reg"), [SIG, "", r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion"
                                         r"\Explorer\RemoteComputer\NameSpace]",
                                         '"{D6277990-4C6A-11CF-8D87-00AA0060F5BF}"="Imprimantes"', "",
                                         "; fin : 1 valeur"])


if __name__ == "__main__":
    main(sys.argv[1])
