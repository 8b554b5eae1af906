#!/usr/bin/env python3
"""The shipped Quorvel.exe as its own process, driven from outside with the keyboard as a person
would drive it (X key events through xdotool), its CONFIGS.DAT checked byte for byte against
bytes built here, independently of the program's code.

Usage: shipped_program_test.py QUORVEL_EXE WORK_DIR
Needs DISPLAY, the project's Wine prefix (scripts/env.sh) and xdotool.
"""
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time

DEADLINE = 90  # seconds for any one condition; generous for a loaded two-core machine
CAPTION = "Quorvel File Synchronizer - Editor (V1.0)"
CAPTION_ZH_HANS = "Quorvel\u6587\u4ef6\u66f4\u65b0\u8f6f\u4ef6-\u914d\u7f6e\u7a0b\u5e8f (V1.0)"
QUESTION_CAPTION = "Confirm"
LANG_KEY = r"HKLM\Software\Pelmorix"


def short_string(text, capacity, filler=b""):
    """A short string field: length byte, characters, then the bytes after them."""
    assert len(text) <= capacity
    rest = (filler * (capacity + 1))[: capacity - len(text)] if filler else bytes(capacity - len(text))
    return bytes([len(text)]) + text + rest


def settings(host, port, user, password, interval, speed, filler=b""):
    return (short_string(host, 63, filler) + struct.pack("<i", port)
            + short_string(user, 31, filler) + short_string(password, 31, filler)
            + struct.pack("<ii", interval, speed))


def task(name, source=b"", target=b"", filler=b""):
    return short_string(name, 31, filler) + short_string(source, 255, filler) + short_string(target, 255, filler)


def config_file(settings_bytes, tasks):
    assert len(settings_bytes) == 140 and all(len(t) == 544 for t in tasks)
    head = b"RSYNCFG\0" + settings_bytes
    head += bytes(1024 - len(head))
    return head + struct.pack("<ii", 544, len(tasks)) + b"".join(tasks)


class Program:
    """Quorvel.exe started under Wine in a folder of its own, beside the CONFIGS.DAT given."""

    def __init__(self, exe, folder, config_bytes):
        self.folder = folder
        self.config = os.path.join(folder, "CONFIGS.DAT")
        shutil.copy(exe, os.path.join(folder, "Quorvel.exe"))
        with open(self.config, "wb") as f:
            f.write(config_bytes)
        self.process = None
        self.window = None

    def start(self, caption=CAPTION, locale="en_US.UTF-8"):
        env = dict(os.environ, LANG=locale, LC_ALL=locale)
        self.process = subprocess.Popen(["wine64", "Quorvel.exe"], cwd=self.folder, env=env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, start_new_session=True)
        self.window = wait_for(lambda: find_window(caption), "the editor window to appear")

    def keys(self, *keys, window=None):
        target = window or self.window
        # XTEST key events to the focused window, as a keyboard makes them; events sent to a
        # window with XSendEvent are marked synthetic.
        subprocess.run(["xdotool", "windowfocus", "--sync", target, "key", "--delay", "50", *keys],
                       check=True, timeout=DEADLINE)

    def wait_exit(self):
        wait_for(lambda: self.process.poll() is not None, "the editor to exit")

    def kill(self):
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()


def find_window(name):
    # Wine also creates hidden helper windows; only a mapped one can take keys. xdotool's own
    # name search does not match non-ASCII titles, so titles are compared here.
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""],
                            capture_output=True, text=True, timeout=DEADLINE)
    for window in result.stdout.split():
        title = subprocess.run(["xdotool", "getwindowname", window], capture_output=True,
                               timeout=DEADLINE).stdout.decode("utf-8", "replace").rstrip("\n")
        if title == name:
            return window
    return None


def wait_for(condition, what):
    end = time.monotonic() + DEADLINE
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def expect_bytes(actual, expected, what):
    if actual == expected:
        return
    first = next((i for i, (a, b) in enumerate(zip(actual, expected)) if a != b),
                 min(len(actual), len(expected)))
    raise AssertionError(f"{what}: {len(actual)} bytes, expected {len(expected)}; first "
                         f"difference at offset {first}")


def fixture():
    # Filler bytes after the characters must go back to the file untouched.
    s = settings(b"sync.example.com", 891, b"operator", b"secret", 15, 250, filler=b"\xA5")
    tasks = [task(b"Alpha", b"Projects\\Alpha", b"D:\\Sync\\Alpha", filler=b"\x5A"),
             task(b"NewTask1", b"Media", b"E:\\Media")]
    return s, tasks


def case_add_save_add_close_answer_no(exe, folder):
    """Alt+A, Alt+S, Alt+A, Alt+F4, No: the file holds the first addition only."""
    s, tasks = fixture()
    program = Program(exe, folder, config_file(s, tasks))
    try:
        program.start()
        program.keys("alt+a", "alt+s")
        saved = config_file(s, tasks + [task(b"NewTask2")])
        wait_for(lambda: read(program.config) == saved, "Save to write the added task")
        program.keys("alt+a", "alt+F4")
        question = wait_for(lambda: find_window(QUESTION_CAPTION), "the close question")
        program.keys("n", window=question)
        program.wait_exit()
        expect_bytes(read(program.config), saved, "after answering No")
        leftovers = sorted(set(os.listdir(folder)) - {"Quorvel.exe", "CONFIGS.DAT"})
        assert not leftovers, f"files left beside the program: {leftovers}"
    finally:
        program.kill()


def case_add_twice_close_answer_yes(exe, folder):
    """Alt+A twice, then Alt+F4 and Yes: the close saves both new tasks."""
    s, tasks = fixture()
    program = Program(exe, folder, config_file(s, tasks))
    try:
        program.start()
        program.keys("alt+a", "alt+a", "alt+F4")
        question = wait_for(lambda: find_window(QUESTION_CAPTION), "the close question")
        program.keys("y", window=question)
        program.wait_exit()
        expect_bytes(read(program.config),
                     config_file(s, tasks + [task(b"NewTask2"), task(b"NewTask3")]),
                     "after answering Yes")
    finally:
        program.kill()


def stored_host(config_bytes):
    """The host field of a CONFIGS.DAT: its length byte, then its characters."""
    return config_bytes[9:9 + config_bytes[8]]


def open_other_page_and_type_host(program, host):
    """From the tab control, which has the focus at start: the Other page, then its first edit,
    whose text Tab selects, and the host typed over it."""
    program.keys("Right", "Tab", *["period" if c == "." else c for c in host])


def case_typed_host_saved_by_alt_s(exe, folder):
    """A host typed and not yet applied: Save is enabled by the typing, and Alt+S saves it."""
    s, tasks = fixture()
    program = Program(exe, folder, config_file(s, tasks))
    try:
        program.start()
        open_other_page_and_type_host(program, "typed.example")
        program.keys("alt+s")
        wait_for(lambda: stored_host(read(program.config)) == b"typed.example",
                 "Alt+S to save the typed host")
        program.keys("alt+F4")
        program.wait_exit()
    finally:
        program.kill()


def case_typed_host_closed_from_outside(exe, folder):
    """A host typed and not yet applied, the editor inactive, and the close sent from outside as
    Task Manager's End task sends it: the question comes, and Yes saves the host."""
    s, tasks = fixture()
    program = Program(exe, folder, config_file(s, tasks))
    try:
        program.start()
        open_other_page_and_type_host(program, "typed.example")
        # The keyboard focus goes to the screen's root: no window of the editor has it.
        root = subprocess.run(["xdotool", "search", "--maxdepth", "0", "--name", ""],
                              capture_output=True, text=True, timeout=DEADLINE).stdout.split()
        if root:
            subprocess.run(["xdotool", "windowfocus", root[0]], timeout=DEADLINE)
        subprocess.run(["wine64", "taskkill", "/im", "Quorvel.exe"], cwd=folder,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=DEADLINE)
        question = wait_for(lambda: find_window(QUESTION_CAPTION), "the close question")
        program.keys("y", window=question)
        program.wait_exit()
        expect_bytes(stored_host(read(program.config)), b"typed.example", "the host saved")
    finally:
        program.kill()


def reg(*args):
    return subprocess.run(["wine64", "reg", *args], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=DEADLINE)


def set_lang_index(view, value):
    """LangIndex in one registry view ("32" or "64"); None removes it."""
    if value is None:
        reg("delete", LANG_KEY, "/v", "LangIndex", "/f", "/reg:" + view)
    else:
        result = reg("add", LANG_KEY, "/v", "LangIndex", "/t", "REG_DWORD", "/d", str(value), "/f",
                     "/reg:" + view)
        assert result.returncode == 0, result.stdout + result.stderr


def case_language_from_the_64_bit_registry_view(exe, folder):
    """LangIndex 1 as 64-bit reg.exe or regedit writes it: Simplified Chinese, and Alt+A names
    the new task with the Chinese stem's own bytes."""
    s, tasks = fixture()
    program = Program(exe, folder, config_file(s, tasks))
    set_lang_index("32", None)
    set_lang_index("64", 1)
    try:
        program.start(caption=CAPTION_ZH_HANS, locale="zh_CN.UTF-8")
        program.keys("alt+a", "alt+s")
        saved = config_file(s, tasks + [task(bytes.fromhex("d0c2c8cecef1") + b"1")])
        wait_for(lambda: read(program.config) == saved, "Save to write the task named in Chinese")
        program.keys("alt+F4")
        program.wait_exit()
    finally:
        program.kill()
        set_lang_index("64", None)


def folder_bytes(folder):
    """Every file of the folder with its bytes and times, as they decide "untouched"."""
    found = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        found[name] = (read(path), os.stat(path).st_mtime_ns)
    return found


def case_changed_by_another_program_then_saved(exe, folder):
    """Another program rewrites CONFIGS.DAT while the editor is open with an addition: Alt+S asks
    before replacing it, No leaves the other program's bytes, and Yes then writes the editor's."""
    s, tasks = fixture()
    program = Program(exe, folder, config_file(s, tasks))
    try:
        program.start()
        program.keys("alt+a")
        theirs = config_file(s, tasks + [task(b"FromScript", b"Script", b"C:\\Script")])
        with open(program.config, "wb") as f:
            f.write(theirs)
        program.keys("alt+s")
        question = wait_for(lambda: find_window(QUESTION_CAPTION), "the replace question")
        program.keys("n", window=question)
        wait_for(lambda: not find_window(QUESTION_CAPTION), "the question to close")
        expect_bytes(read(program.config), theirs, "the other program's file after No")
        program.keys("alt+s")
        question = wait_for(lambda: find_window(QUESTION_CAPTION), "the question again")
        program.keys("y", window=question)
        expect = config_file(s, tasks + [task(b"NewTask2")])
        wait_for(lambda: read(program.config) == expect, "Yes to write the editor's tasks")
        program.keys("alt+F4")
        program.wait_exit()
    finally:
        program.kill()


def case_start_and_close_beside_an_old_leftover(exe, folder):
    """CONFIGS.DAT renamed away and a complete file an interrupted save left beside it: starting
    and closing the editor leaves the folder as it was, byte for byte."""
    s, tasks = fixture()
    program = Program(exe, folder, config_file(s, tasks))
    try:
        os.rename(program.config, os.path.join(folder, "CONFIGS.DAT.operator-copy"))
        leftover = os.path.join(folder, "CONFIGS.DAT.~qv0123456789abcdef.tmp")
        with open(leftover, "wb") as f:
            f.write(config_file(s, tasks[:1]))
        month_ago = time.time() - 30 * 86400
        os.utime(leftover, (month_ago, month_ago))
        before = folder_bytes(folder)
        program.start()
        program.keys("alt+F4")
        program.wait_exit()
        after = folder_bytes(folder)
        if after != before:
            raise AssertionError(f"the folder changed: {sorted(before)} became {sorted(after)}")
    finally:
        program.kill()


def main():
    exe, work = sys.argv[1], sys.argv[2]
    failures = 0
    # English for the first cases, whatever the prefix held; put back afterwards.
    saved = {view: reg("query", LANG_KEY, "/v", "LangIndex", "/reg:" + view).stdout
             for view in ("32", "64")}
    set_lang_index("32", 3)
    set_lang_index("64", None)
    cases = (case_add_save_add_close_answer_no, case_add_twice_close_answer_yes,
             case_typed_host_saved_by_alt_s, case_typed_host_closed_from_outside,
             case_changed_by_another_program_then_saved,
             case_start_and_close_beside_an_old_leftover,
             case_language_from_the_64_bit_registry_view)
    for case in cases:
        folder = os.path.join(work, case.__name__)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        try:
            case(exe, folder)
            print(f"[  PASSED  ] {case.__name__}")
        except Exception as error:  # report every case, then fail
            failures += 1
            print(f"[  FAILED  ] {case.__name__}: {error}")
    for view, text in saved.items():
        value = re.search(r"LangIndex\s+REG_DWORD\s+(0x[0-9a-fA-F]+)", text)
        set_lang_index(view, int(value.group(1), 16) if value else None)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
