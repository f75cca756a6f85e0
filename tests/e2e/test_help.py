"""The Help menu: the guide beside the program opens in HTML Help at its contents or its index,
from a copy in the user's local application data; without it, a message names it."""

from __future__ import annotations

import shutil
import time
from pathlib import Path

from tobrix import TobrixTestCase
from wine_env import wait_until

# The guide's first entry in its contents, and one of the keywords of its index.
FIRST_ENTRY = "Tobrix とは"


def place_guide(program: Path, exe: Path) -> None:
    """Puts the guide that lies beside `program` (Tobrix.exe as built, or as unpacked from a
    release) beside the copy `exe` that the test runs."""
    shutil.copy2(program.with_suffix(".chm"), exe.with_suffix(".chm"))


class HelpTest(TobrixTestCase):
    def local_copies(self) -> list[Path]:
        return sorted((self.wine.prefix / "drive_c" / "users").glob("*/AppData/Local/Tobrix/Tobrix.chm"))

    def open_help(self, hwnd: int, item: str) -> None:
        self.wine.activate(hwnd)
        self.wine.key("alt+h", item)  # ヘルプ(&H) → 目次(&C) / トピックの検索(&S)

    def guide_pane(self, class_name: str) -> int:
        """The shown control of that class in the open HTML Help window: the contents are a tree
        view, the index (in Wine) a list view."""
        window = self.probe.find("HH Parent", None, timeout=20)
        return wait_until(lambda: next((c.hwnd for c in self.probe.children(window)
                                        if c.class_name == class_name and c.visible), 0),
                          20, message=f"a {class_name} shown in the help window")

    def close_guide(self) -> None:
        for window, *_ in self.probe.windows("HH Parent"):
            self.probe.close(window)
            self.probe.wait_gone(window)

    def test_the_contents_and_the_index_open_the_guide_from_a_local_copy(self):
        place_guide(self.wine.find_exe("Tobrix.exe"), self.exe)
        hwnd, _ = self.open_program()
        self.open_help(hwnd, "c")
        tree = self.guide_pane("SysTreeView32")
        self.assertEqual(wait_until(lambda: self.probe.tv(tree), message="the contents filled")[0], (0, FIRST_ENTRY))
        copies = self.local_copies()
        self.assertEqual(len(copies), 1)
        self.assertEqual(copies[0].read_bytes(), self.exe.with_suffix(".chm").read_bytes())
        self.close_guide()

        self.open_help(hwnd, "s")
        index = self.guide_pane("SysListView32")
        keywords = wait_until(lambda: self.probe.lv(index).rows, message="the index filled")
        self.assertIn("マスターパスワード", [cells[0] for cells in keywords.values()])
        self.close_program(hwnd)  # ends as usual with the guide open
        self.assertEqual(self.probe.count("HH Parent"), 0)

    def test_without_the_guide_a_message_names_it(self):
        hwnd, _ = self.open_program()
        for item in ("c", "s"):
            self.open_help(hwnd, item)
            box = self.probe.msgbox(caption="Tobrix")
            self.assertEqual(box.text, "ヘルプファイル Tobrix.chm が見つかりません。")
            self.probe.msgbox_press(box.hwnd, 1)
        time.sleep(0.5)
        self.assertEqual(self.probe.count("HH Parent"), 0)
        self.close_program(hwnd)
