#!/usr/bin/env python3
"""The Windows Installer package under Wine's own msiexec, as an administrator would run it on a
fleet: silent install beside an existing CONFIGS.DAT, upgrade, a refused downgrade, repair, the
LANGINDEX property and silent removal. Two packages are built from the programs given, stripped as
scripts/package strips them, one with the project's version and one with a lower version; the
package is for the programs' architecture (x86 for i686, x64 for x86_64, as scripts/build-msi
reads it from them).

Usage: msi_test.py BUILD_MSI VERSION QUORVEL_EXE QVCONF_EXE WORK_DIR [--cross QUORVEL QVCONF]
With --cross, the programs of the other architecture: a package of the same version is built of
them, and each package is installed over the other, which must leave one product, in the folder
the operator gave, beside an untouched CONFIGS.DAT.
Needs the project's Wine prefix (scripts/env.sh), wixl and msitools; DISPLAY for the editor step.

The steps that start an installed program need the programs' own architecture to run here: an
i686 build cannot start on a machine that runs no 32-bit code. There those steps are left out and
named in the output; every other step still runs (msiexec itself is 64-bit), and the x86_64
package's steps all run.
"""
import glob
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

DEADLINE = 120  # seconds for any one condition or command; the machine is shared and loaded
LANG_KEY = r"HKLM\Software\Pelmorix"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
CAPTION_ZH_HANT = "Quorvel\u6a94\u6848\u66f4\u65b0\u8edf\u9ad4-\u914d\u7f6e\u7a0b\u5f0f (V1.0)"
OURS = {"Quorvel.exe", "qvconf.exe", "README.en.txt", "README.zh-CN.txt"}
LOWER_VERSION = "0.9.0"


def short_string(text, capacity):
    return bytes([len(text)]) + text + bytes(capacity - len(text))


def config_file():
    """A CONFIGS.DAT of the service's: two tasks, settings with a non-default port."""
    settings = (short_string(b"sync.example.com", 63) + struct.pack("<i", 1891)
                + short_string(b"operator", 31) + short_string(b"secret", 31)
                + struct.pack("<ii", 15, 250))
    tasks = [short_string(b"Alpha", 31) + short_string(b"Projects\\Alpha", 255)
             + short_string(b"D:\\Sync\\Alpha", 255),
             short_string(b"Media", 31) + short_string(b"Media", 255) + short_string(b"E:\\Media", 255)]
    head = b"RSYNCFG\0" + settings
    return head + bytes(1024 - len(head)) + struct.pack("<ii", 544, len(tasks)) + b"".join(tasks)


def run(*args, cwd=None, env=None):
    """Runs a command to its end. Its output goes through files, not pipes: a Wine process may
    start the prefix's background services, which would inherit a pipe and hold it open."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(list(args), cwd=cwd, env=env, stdout=out, stderr=err,
                                stdin=subprocess.DEVNULL, timeout=DEADLINE)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(result.args, result.returncode, out.read(), err.read())


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def msiexec(*args):
    """Wine's msiexec, silent. Its exit status reaches us cut to 8 bits (1603 reads 67)."""
    return run("wine64", "msiexec", *args, "/qn").returncode


def property_of(package, name):
    table = run("msiinfo", "export", package, "Property").stdout.decode()
    found = re.search(r"^" + name + r"\t(.*?)\r?$", table, re.M)
    assert found, f"{package} has no {name}"
    return found.group(1)


def reg_query(key, view, value=None):
    """The data of a value (or the whole key's listing when value is None) in one registry view,
    or None when it is not there."""
    args = ["query", key] + (["/v", value] if value else []) + ["/reg:" + view]
    result = run("wine64", "reg", *args)
    if result.returncode != 0:
        return None
    text = result.stdout.decode("utf-8", "replace")
    if value is None:
        return text
    found = re.search(re.escape(value) + r"\s+REG_\w+\s+(\S*)", text)
    return found.group(1) if found else None


def set_lang_index(view, data):
    if data is None:
        run("wine64", "reg", "delete", LANG_KEY, "/v", "LangIndex", "/f", "/reg:" + view)
    else:
        result = run("wine64", "reg", "add", LANG_KEY, "/v", "LangIndex", "/t", "REG_DWORD", "/d",
                     str(int(data, 0)), "/f", "/reg:" + view)
        assert result.returncode == 0, result.stderr


def registered(product_code):
    """Whether the product is installed: Windows Installer lists a 32-bit package in the 32-bit
    view and an x64 one in the 64-bit view."""
    return any(reg_query(UNINSTALL_KEY + "\\" + product_code, view) is not None
               for view in ("32", "64"))


def shortcuts(prefix):
    """The editor's Start-menu shortcuts: Wine puts a per-machine one in the common or the
    user's Programs folder."""
    programs = os.path.join("Microsoft", "Windows", "Start Menu", "Programs", "Quorvel.lnk")
    return (glob.glob(os.path.join(prefix, "drive_c", "ProgramData", programs))
            + glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Roaming", programs)))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def machine_of(exe):
    data = read(exe)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<H", data, pe + 4)[0]


def package_arch(exe):
    """The package's architecture for a program: x64 for x86_64, x86 for i686."""
    return "x64" if machine_of(exe) == 0x8664 else "x86"


def called(arch):
    return "x64 (x86_64)" if arch == "x64" else "x86 (i686)"


def template_of(package):
    """The platform in the package's summary information: x64 or Intel."""
    info = run("msiinfo", "suminfo", package).stdout.decode()
    found = re.search(r"^Template: (\w+);", info, re.M)
    assert found, f"{package} has no Template"
    return found.group(1)


def programs_run_here(exe, scripts):
    """Whether an installed program of this build can start: x86_64 always; i686 only where this
    machine runs 32-bit code and the 32-bit Wine loader runs."""
    if machine_of(exe) == 0x8664:
        return True, ""
    probe = subprocess.run(["bash", "-c", f". '{scripts}/env.sh' && qv_probe_32bit"], timeout=DEADLINE)
    if probe.returncode != 0:
        return False, "this machine runs no 32-bit code (Exec format error)"
    loader = "/usr/lib/wine/wine"
    if not os.path.exists(loader) or run(loader, "--version").returncode != 0:
        return False, "the 32-bit Wine loader does not run here"
    return True, ""


def wait_for(condition, what):
    end = time.monotonic() + DEADLINE
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError("timed out waiting for " + what)


def find_window(name):
    result = run("xdotool", "search", "--onlyvisible", "--name", "")
    for window in result.stdout.decode().split():
        title = run("xdotool", "getwindowname", window).stdout.decode("utf-8", "replace").rstrip("\n")
        if title == name:
            return window
    return None


def editor_caption_is(folder, caption):
    """Starts the installed editor on a Western system (so that only LangIndex can make it
    Chinese), waits for its window with that caption, and closes it again."""
    env = dict(os.environ, LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8")
    process = subprocess.Popen(["wine64", "Quorvel.exe"], cwd=folder, env=env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        wait_for(lambda: find_window(caption), f"the editor window '{caption}'")
        run("wine64", "taskkill", "/im", "Quorvel.exe", cwd=folder)
        wait_for(lambda: process.poll() is not None, "the editor to close")
    finally:
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


class Steps:
    def __init__(self):
        self.failures = []
        self.left_out = []

    def step(self, name, action, needs_programs=False, can_run=True, why=""):
        if needs_programs and not can_run:
            self.left_out.append(name)
            print(f"[ LEFT OUT ] {name}: {why}")
            return
        try:
            action()
            print(f"[  PASSED  ] {name}")
        except Exception as error:  # report every step, then fail
            self.failures.append(name)
            print(f"[  FAILED  ] {name}: {error}")


def shipped_programs(scripts, folder, quorvel, qvconf):
    """The programs as they ship: stripped, their debug information in files of their own."""
    os.makedirs(folder)
    built = {"Quorvel.exe": quorvel, "qvconf.exe": qvconf}
    for name, program in built.items():
        subprocess.run([os.path.join(scripts, "split-debug"), program, os.path.join(folder, name),
                        os.path.join(folder, name + ".debug")], check=True, timeout=600)
        assert os.path.getsize(os.path.join(folder, name)) < os.path.getsize(program), f"{name} not stripped"
    return tuple(os.path.join(folder, name) for name in built)


def main():
    build_msi, version, quorvel, qvconf, work = sys.argv[1:6]
    cross = None
    if len(sys.argv) > 6:
        assert sys.argv[6] == "--cross" and len(sys.argv) == 9, "usage: see the module's text"
        cross = sys.argv[7:9]
    scripts = os.path.dirname(os.path.abspath(build_msi))
    prefix = os.environ["WINEPREFIX"]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    can_run, why = programs_run_here(quorvel, scripts)
    if can_run and not os.environ.get("DISPLAY"):
        can_run, why = False, "no DISPLAY for the editor window"

    arch = package_arch(quorvel)
    print(f"msi_test: the {called(arch)} package, of programs for machine "
          f"{machine_of(quorvel):#x}")
    quorvel, qvconf = shipped_programs(scripts, os.path.join(work, "shipped"), quorvel, qvconf)

    current = os.path.join(work, f"quorvel-{version}.msi")
    lower = os.path.join(work, f"quorvel-{LOWER_VERSION}.msi")
    for package, package_version in ((current, version), (lower, LOWER_VERSION)):
        subprocess.run([build_msi, package_version, package, quorvel, qvconf], check=True, timeout=600)
    current_code = property_of(current, "ProductCode")
    lower_code = property_of(lower, "ProductCode")
    assert current_code != lower_code, "both versions carry the same ProductCode"
    assert property_of(current, "UpgradeCode") == property_of(lower, "UpgradeCode")
    assert template_of(current) == ("x64" if arch == "x64" else "Intel"), template_of(current)

    # The other architecture's package of the same version, to cross-install with.
    other = None
    if cross:
        other_programs = [os.path.abspath(p) for p in cross]
        missing = [p for p in other_programs if not os.path.exists(p)]
        if missing:
            other_why = "the other build's programs are not built: " + ", ".join(missing)
        else:
            other_quorvel, other_qvconf = shipped_programs(
                scripts, os.path.join(work, "other-shipped"), *other_programs)
            other_arch = package_arch(other_quorvel)
            assert other_arch != arch, f"--cross gave {other_arch} programs too"
            other = os.path.join(work, f"quorvel-{version}-{other_arch}.msi")
            subprocess.run([build_msi, version, other, other_quorvel, other_qvconf], check=True,
                           timeout=600)
            other_code = property_of(other, "ProductCode")
            assert other_code not in (current_code, lower_code), \
                "the architectures share a ProductCode"
            assert property_of(other, "UpgradeCode") == property_of(current, "UpgradeCode")
            other_can_run, other_why = programs_run_here(other_quorvel, scripts)
            if other_can_run and not os.environ.get("DISPLAY"):
                other_can_run, other_why = False, "no DISPLAY"
    packages = [current, lower] + ([other] if other else [])

    # Nothing of an earlier run may be installed; LangIndex is put back afterwards.
    for package in packages:
        msiexec("/x", package)
    saved_lang = {view: reg_query(LANG_KEY, view, "LangIndex") for view in ("32", "64")}
    for view in ("32", "64"):
        set_lang_index(view, None)

    # The service's folder: its CONFIGS.DAT, a file of the operator's and a save's leftover.
    folder = os.path.join(work, "service")
    os.makedirs(folder)
    config = config_file()
    theirs = {"CONFIGS.DAT": config, "site notes.txt": b"kept by the operator\r\n",
              "CONFIGS.DAT.~qv0123456789abcdef.tmp": config[:700]}
    for name, data in theirs.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    target = "INSTALLDIR=" + windows_path(folder)
    expected = {"Quorvel.exe": read(quorvel), "qvconf.exe": read(qvconf)}

    def check_theirs_untouched():
        for name, data in theirs.items():
            assert read(os.path.join(folder, name)) == data, f"{name} changed"

    def check_ours_installed(programs=expected):
        present = set(os.listdir(folder))
        assert present == OURS | set(theirs), f"folder holds {sorted(present)}"
        for name, data in programs.items():
            assert read(os.path.join(folder, name)) == data, f"installed {name} differs"
        for guide in ("README.en.txt", "README.zh-CN.txt"):
            assert read(os.path.join(folder, guide)).startswith(b"\xef\xbb\xbf# "), guide
        check_theirs_untouched()

    steps = Steps()

    def bad_lang_index_refused():
        assert msiexec("/i", current, target, "LANGINDEX=two") != 0, "LANGINDEX=two was accepted"
        assert set(os.listdir(folder)) == set(theirs), "a refused install left files"
        assert not registered(current_code)
        assert reg_query(LANG_KEY, "32", "LangIndex") is None

    def install_lower():
        assert msiexec("/i", lower, target) == 0, "install failed"
        check_ours_installed()
        assert registered(lower_code)
        assert shortcuts(prefix), "no Start-menu shortcut"
        for view in ("32", "64"):
            assert reg_query(LANG_KEY, view, "LangIndex") is None, f"LangIndex written ({view}-bit view) without LANGINDEX"

    def installed_qvconf_reads_the_file():
        env = dict(os.environ, LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8")
        result = run("wine64", "qvconf.exe", "show", cwd=folder, env=env)
        out = result.stdout.decode("utf-8", "replace")
        assert result.returncode == 0, f"qvconf show: exit {result.returncode}: {out} {result.stderr!r}"
        for text in ("sync.example.com", "1891", "Alpha", "Projects\\Alpha", "E:\\Media"):
            assert text in out, f"'{text}' not in qvconf show: {out}"
        check_theirs_untouched()

    def upgrade_in_place_with_lang_index():
        # No INSTALLDIR: the upgrade finds the folder of the install it replaces.
        assert msiexec("/i", current, "LANGINDEX=2") == 0, "upgrade failed"
        check_ours_installed()
        assert registered(current_code) and not registered(lower_code), "the older product is still registered"
        assert reg_query(LANG_KEY, "32", "LangIndex") == "0x2", "LangIndex not 2 in the 32-bit view"
        assert reg_query(LANG_KEY, "64", "LangIndex") is None, "LangIndex written in the 64-bit view"

    def editor_in_traditional_chinese():
        editor_caption_is(folder, CAPTION_ZH_HANT)
        check_theirs_untouched()

    def older_refused_over_newer():
        table = run("msiinfo", "export", lower, "LaunchCondition").stdout.decode()
        assert "A newer version of the Quorvel configuration editor is already installed" in table
        assert msiexec("/i", lower, target) != 0, "the older package installed over the newer"
        assert registered(current_code) and not registered(lower_code)
        check_ours_installed()

    def repair_restores_a_deleted_program():
        os.remove(os.path.join(folder, "qvconf.exe"))
        assert msiexec("/i", current, "REINSTALL=ALL", "REINSTALLMODE=omus") == 0, "repair failed"
        check_ours_installed()
        assert reg_query(LANG_KEY, "32", "LangIndex") == "0x2"

    def removal_leaves_theirs():
        assert msiexec("/x", current) == 0, "removal failed"
        present = set(os.listdir(folder))
        assert present == set(theirs), f"after removal the folder holds {sorted(present)}"
        check_theirs_untouched()
        assert not registered(current_code)
        assert not shortcuts(prefix), "the Start-menu shortcut stayed"
        assert reg_query(LANG_KEY, "32", "LangIndex") == "0x2", "removal took LangIndex"

    program_files = "Program Files" if arch == "x64" else "Program Files (x86)"

    def default_folder_under_program_files():
        default = os.path.join(prefix, "drive_c", program_files, "Quorvel")
        shutil.rmtree(default, ignore_errors=True)
        assert msiexec("/i", current) == 0, "install failed"
        present = set(os.listdir(default)) if os.path.isdir(default) else set()
        assert present == OURS, f"{program_files}\\Quorvel holds {sorted(present)}"
        assert msiexec("/x", current) == 0, "removal failed"
        assert not os.path.exists(default), "the emptied folder stayed"

    if other:
        other_expected = {"Quorvel.exe": read(other_quorvel), "qvconf.exe": read(other_qvconf)}

    def one_product(installed, gone):
        assert registered(installed), "the package installed is not registered"
        assert not registered(gone), "the package replaced is still registered"
        assert not registered(lower_code)

    def cross_ours_over_other():
        set_lang_index("32", None)
        assert msiexec("/i", other, target, "LANGINDEX=1") == 0, \
            f"install of the {other_arch} package failed"
        check_ours_installed(other_expected)
        one_product(other_code, current_code)
        # No INSTALLDIR: the folder comes from the package replaced.
        assert msiexec("/i", current) == 0, f"the {arch} package over the {other_arch} one failed"
        check_ours_installed()
        one_product(current_code, other_code)
        assert shortcuts(prefix), "no Start-menu shortcut"
        assert reg_query(LANG_KEY, "32", "LangIndex") == "0x1", "LangIndex not kept (32-bit view)"
        assert reg_query(LANG_KEY, "64", "LangIndex") is None, "LangIndex in the 64-bit view"

    def cross_other_over_ours():
        assert msiexec("/i", other) == 0, f"the {other_arch} package over the {arch} one failed"
        check_ours_installed(other_expected)
        one_product(other_code, current_code)

    def installed_other_qvconf_reads_the_file():
        check_ours_installed(other_expected)
        installed_qvconf_reads_the_file()

    def cross_removal_leaves_theirs():
        assert msiexec("/x", other) == 0, "removal failed"
        present = set(os.listdir(folder))
        assert present == set(theirs), f"after removal the folder holds {sorted(present)}"
        check_theirs_untouched()
        assert not registered(other_code) and not registered(current_code)
        assert not shortcuts(prefix), "the Start-menu shortcut stayed"

    try:
        steps.step("a LANGINDEX that is no number is refused", bad_lang_index_refused)
        steps.step(f"silent install of {LOWER_VERSION} beside CONFIGS.DAT", install_lower)
        steps.step("the installed qvconf show reads CONFIGS.DAT", installed_qvconf_reads_the_file,
                   True, can_run, why)
        steps.step(f"upgrade to {version} in place with LANGINDEX=2", upgrade_in_place_with_lang_index)
        steps.step("LANGINDEX=2 gives the Traditional Chinese editor", editor_in_traditional_chinese,
                   True, can_run, why)
        steps.step("an older package over a newer one is refused", older_refused_over_newer)
        steps.step("repair restores a deleted program", repair_restores_a_deleted_program)
        steps.step("silent removal leaves CONFIGS.DAT, the operator's files and LangIndex",
                   removal_leaves_theirs)
        steps.step(f"without INSTALLDIR the programs go under {program_files}",
                   default_folder_under_program_files)
        if other:
            ours, theirs_arch = called(arch), called(other_arch)
            steps.step(f"the {ours} package over the {theirs_arch} one of the same version: one "
                       "product, in the operator's folder", cross_ours_over_other)
            steps.step(f"after it the installed {ours} qvconf show reads CONFIGS.DAT",
                       installed_qvconf_reads_the_file, True, can_run, why)
            steps.step(f"the {theirs_arch} package back over the {ours} one: one product, in the "
                       "operator's folder", cross_other_over_ours)
            steps.step(f"after it the installed {theirs_arch} qvconf show reads CONFIGS.DAT",
                       installed_other_qvconf_reads_the_file, True, other_can_run, other_why)
            steps.step(f"removal of the {theirs_arch} package leaves CONFIGS.DAT and the "
                       "operator's files", cross_removal_leaves_theirs)
        elif cross:
            steps.step("cross-installs with the other architecture's package",
                       lambda: None, True, False, other_why)
    finally:
        for package in packages:
            msiexec("/x", package)
        for view, data in saved_lang.items():
            set_lang_index(view, data)

    if steps.left_out:
        print(f"msi_test: left out {len(steps.left_out)} step(s): " + "; ".join(steps.left_out))
    if steps.failures:
        print("msi_test: FAILED: " + "; ".join(steps.failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
