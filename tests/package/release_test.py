#!/usr/bin/env python3
"""What scripts/package made: each release zip and Windows Installer package holds the programs
for the machine its name says, read from the programs' own PE headers (the Machine field, and the
optional header's magic that goes with it): -win32 i686, -win64 x86-64. The zip and the package
of one name hold the same programs, and each package is for its platform (Intel or x64).

Usage: release_test.py FOLDER VERSION
Needs msitools (msiinfo, msiextract). scripts/package runs it on what it wrote.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

PROGRAMS = ("Quorvel.exe", "qvconf.exe")
GUIDES = ("README.en.txt", "README.zh-CN.txt")
# name suffix: (Machine, optional header magic, what the machine is called, the package's platform)
RELEASES = {
    "win32": (0x014C, 0x10B, "i686", "Intel"),
    "win64": (0x8664, 0x20B, "x86-64", "x64"),
}


def pe_header(data):
    """Machine and optional header magic of a Windows program's bytes."""
    assert data[:2] == b"MZ", "no MZ header"
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "no PE header"
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    return machine, magic


class Checks:
    def __init__(self):
        self.failures = []

    def check(self, name, action):
        try:
            detail = action()
            print(f"[  PASSED  ] {name}" + (f": {detail}" if detail else ""))
        except Exception as error:  # report every check, then fail
            self.failures.append(name)
            print(f"[  FAILED  ] {name}: {error}")


def check_program(data, suffix):
    machine, magic, called, _ = RELEASES[suffix]
    found_machine, found_magic = pe_header(data)
    assert found_machine == machine, f"machine {found_machine:#06x}, not {machine:#06x} ({called})"
    assert found_magic == magic, f"optional header magic {found_magic:#x}, not {magic:#x}"
    return f"machine {machine:#06x}, optional header magic {magic:#x}"


def main():
    folder, version = sys.argv[1:3]
    checks = Checks()
    for suffix, (_, _, called, platform) in RELEASES.items():
        name = f"quorvel-{version}-{suffix}"
        zip_path = os.path.join(folder, name + ".zip")
        msi_path = os.path.join(folder, name + ".msi")
        in_zip = {}

        def zip_holds_the_release():
            with zipfile.ZipFile(zip_path) as archive:
                files = {n for n in archive.namelist() if not n.endswith("/")}
                wanted = {f"{name}/{f}" for f in PROGRAMS + GUIDES}
                assert files == wanted, f"holds {sorted(files)}"
                for program in PROGRAMS:
                    in_zip[program] = archive.read(f"{name}/{program}")

        checks.check(f"{name}.zip holds the two programs and the guides in {name}/",
                     zip_holds_the_release)
        for program in PROGRAMS:
            checks.check(f"{name}.zip: {program} is {called}",
                         lambda p=program: check_program(in_zip[p], suffix))

        def package_is_for(platform=platform):
            info = subprocess.run(["msiinfo", "suminfo", msi_path], capture_output=True,
                                  check=True, timeout=120).stdout.decode()
            found = re.search(r"^Template: (\w+);", info, re.M)
            assert found and found.group(1) == platform, f"Template: {found and found.group(1)}"
            return f"Template {platform}"

        checks.check(f"{name}.msi is a package for {platform}", package_is_for)
        with tempfile.TemporaryDirectory() as extracted:
            in_msi = {}

            def package_holds_the_programs():
                subprocess.run(["msiextract", "-C", extracted, msi_path], capture_output=True,
                               check=True, timeout=120)
                for root, _, files in os.walk(extracted):
                    for f in files:
                        if f in PROGRAMS:
                            assert f not in in_msi, f"{f} twice"
                            with open(os.path.join(root, f), "rb") as program:
                                in_msi[f] = program.read()
                assert set(in_msi) == set(PROGRAMS), f"holds {sorted(in_msi)}"

            checks.check(f"{name}.msi holds the two programs", package_holds_the_programs)
            for program in PROGRAMS:
                def same_as_zip(p=program):
                    detail = check_program(in_msi[p], suffix)
                    assert in_msi[p] == in_zip.get(p), f"differs from the {name}.zip's"
                    return detail + ", the zip's very bytes"

                checks.check(f"{name}.msi: {program} is {called}", same_as_zip)
    if checks.failures:
        print("release_test: FAILED: " + "; ".join(checks.failures))
        return 1
    print(f"release_test: the -win32 programs are i686 and the -win64 ones x86-64, in {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
