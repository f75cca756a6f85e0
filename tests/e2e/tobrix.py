"""What the end-to-end tests know about Tobrix from the outside: its data file format (written and read
with the tests' own scrambler), its registry key, and how to start and stop it."""

from __future__ import annotations

import os
import re
from pathlib import Path

from wine_env import WineTestCase, wait_until

MAIN_CLASS = "TfrmMain"
DIALOG = "#32770"
BM_CLICK = 0x00F5
# Control ids of the item editor (the dialog's own ids for its two main buttons).
TITLE, USER, PASSWORD, MEMO, ADDRESS, GET = 1001, 1002, 1003, 1004, 1005, 1006
SAVE, CANCEL = 1, 2
SETTINGS_KEY = r"Software\Quarda\Tobrix\Setting"
PROGRAM_KEY = r"Software\Quarda"
LIST_ID = 100

def _command_ids() -> dict[str, int]:
    """The main window's command ids, from the program's one table of them."""
    header = Path(__file__).resolve().parents[2] / "src" / "app" / "CommandTable.h"
    block = re.search(r"enum class CommandId[^{]*\{(.*?)\};", header.read_text(encoding="utf-8"), re.S)
    return {name: int(value) for name, value in re.findall(r"(\w+)\s*=\s*(\d+)", block.group(1))}


COMMAND = _command_ids()  # e.g. COMMAND["actAbout"], to post as WM_COMMAND

KEY = (0x7B, 0xE1, 0xA5, 0x3C)  # 0x3CA5E17B, least significant byte first

DEFAULTS = {
    "OnTop": "0", "HidePass": "0", "Shard": "0", "orgHeight": "0", "InportFile": "", "StartNum": "0",
    "Tab": "0", "Comma": "1", "Space": "0", "Semi": "0", "Etc": "0", "EtcStr": "", "InpDelim": "0",
    "Same": "0", "Preview": "1", "ExportFile": "", "ExpDelim": "0", "DblQ": "1", "Head": "0",
    "ColWidth0": "200", "ColWidth1": "150", "ColWidth2": "220", "ColWidth3": "130", "ColWidth4": "150",
}
GEOMETRY = ("Left", "Top", "Width", "Height")


def scramble(data: bytes) -> bytes:
    return bytes(b ^ KEY[i % 4] for i, b in enumerate(data))


def data_file_bytes(entries: list[tuple[str, str, str, str, str]]) -> bytes:
    """The scrambled data file for entries of (title, user ID, password, memo, URL)."""
    clear = b"".join(b"\x08".join(f.encode("cp932") for f in e) + b"\r\n" for e in entries)
    return scramble(clear)


def read_data_file(path: Path) -> list[tuple[str, ...]]:
    """Entries of a data file the program wrote; every line must end in CR LF and have four separators."""
    clear = scramble(path.read_bytes())
    assert clear == b"" or clear.endswith(b"\r\n"), clear[-10:]
    entries = []
    for line in clear[:-2].split(b"\r\n") if clear else []:
        fields = line.split(b"\x08", 4)
        assert len(fields) == 5, line
        entries.append(tuple(f.decode("cp932") for f in fields))
    return entries


class TobrixTestCase(WineTestCase):
    """A private copy of Tobrix.exe in the test's folder (its data file lives beside it) and a
    registry without the program's key."""

    def setUp(self) -> None:
        super().setUp()
        self.exe = self.copy_to_scratch(self.wine.find_exe("Tobrix.exe"))
        self.data_file = self.exe.with_suffix(".DAT")
        self.probe.reg_delete_tree(PROGRAM_KEY)
        self.addCleanup(self.probe.reg_delete_tree, PROGRAM_KEY)

    def write_entries(self, entries) -> bytes:
        data = data_file_bytes(entries)
        self.data_file.write_bytes(data)
        return data

    def open_program(self, timeout: float = 20) -> tuple[int, int]:
        """Starts Tobrix and waits for its main window; returns it and its list."""
        self.program = self.start(self.exe)
        hwnd = self.probe.find_by_image(MAIN_CLASS, self.exe, timeout=timeout)
        return hwnd, self.probe.child(hwnd, id=LIST_ID).hwnd

    def close_program(self, hwnd: int) -> None:
        """Closes the main window as the user would and waits for the process to end."""
        self.probe.close(hwnd)
        self.assertEqual(self.program.wait(30), 0)

    def settings(self) -> dict[str, tuple[int, str]]:
        key = self.probe.reg_dump(SETTINGS_KEY)
        return {} if key is None else {name: (v.type, v.text) for name, v in key.values.items()}

    # -- the item editor

    def open_editor(self, hwnd: int, keys: str, caption: str) -> int:
        """Opens the editor with a shortcut typed into the main window; returns the dialog."""
        self.wine.activate(hwnd)
        self.wine.key(keys)
        dialog = self.probe.find(DIALOG, caption)
        wait_until(lambda: self.probe.info(dialog).visible, message="the editor shown")
        return dialog

    def answer(self, pressed: int) -> str:
        """Presses a button of the program's next message box; returns its text."""
        box = self.probe.msgbox(timeout=30, caption="Tobrix")
        self.probe.msgbox_press(box.hwnd, pressed)
        return box.text

    def dialog(self, caption: str) -> int:
        """The dialog once it is shown, its controls made."""
        dialog = self.probe.find(DIALOG, caption, timeout=30)
        wait_until(lambda: self.probe.info(dialog).visible, message=f"{caption} shown")
        return dialog

    def field(self, dialog: int, id: int) -> int:
        return self.probe.child(dialog, id=id).hwnd

    def fill(self, dialog: int, title: str, user: str, password: str, memo: str, address: str | None = None):
        for id, text in ((TITLE, title), (USER, user), (PASSWORD, password), (MEMO, memo)):
            self.probe.set_text(self.field(dialog, id), text)
        if address is not None:
            self.probe.set_text(self.field(dialog, ADDRESS), address)

    def press(self, dialog: int, id: int) -> None:
        self.probe.send(self.field(dialog, id), BM_CLICK)

    def wait_for_list(self, lv: int, count: int):
        return wait_until(lambda: (v := self.probe.lv(lv)).count == count and v, 10,
                          message=f"{count} rows in the list")


def mtime_ns(path: Path) -> int:
    return os.stat(path).st_mtime_ns
