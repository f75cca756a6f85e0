"""Every entry written to delimited text through the export dialog, opened from the File menu."""

from __future__ import annotations

import os

from tobrix import BM_CLICK, DIALOG, SETTINGS_KEY, TobrixTestCase
from wine_env import wait_until, winpath

# Control ids of the export dialog.
FILE_NAME, SHOW, COMMA, TAB, DBLQ, HEAD, WRITE, CANCEL = 1302, 1303, 1305, 1306, 1307, 1308, 1309, 2
BM_GETCHECK = 0x00F0
CAPTION = "ファイルへの書き出し"

ENTRIES = [
    ("銀行", "taro", "ひみつ", "", "http://bank/"),
    ('say "hi", all', "u2", "p,w", "メモ\tx", ""),
]


class ExportTest(TobrixTestCase):
    def open_export(self) -> tuple[int, int]:
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, len(ENTRIES))
        self.wine.activate(hwnd)
        self.wine.key("alt+f", "w")
        dialog = self.probe.find(DIALOG, CAPTION)
        wait_until(lambda: self.probe.info(dialog).visible, message="the export dialog shown")
        return hwnd, dialog

    def control(self, dialog: int, id: int) -> int:
        return self.probe.child(dialog, id=id).hwnd

    def checked(self, dialog: int, id: int) -> bool:
        return self.probe.send(self.control(dialog, id), BM_GETCHECK) == 1

    def test_the_file_menu_export_replaces_a_file_with_exactly_the_lines_and_stores_the_choices(self):
        target = self.scratch / "list.csv"
        target.write_bytes(b"an older export that is longer than nothing\r\n")
        hwnd, dialog = self.open_export()
        # A first start: comma and quotes, no header, no name.
        self.assertEqual(self.probe.text(self.control(dialog, FILE_NAME)), "")
        self.assertEqual([self.checked(dialog, id) for id in (COMMA, TAB, DBLQ, HEAD)], [True, False, True, False])
        self.assertEqual(self.probe.focus(dialog)["focus"], self.control(dialog, FILE_NAME))

        name = winpath(target)
        self.probe.set_text(self.control(dialog, FILE_NAME), name)
        self.probe.send(self.control(dialog, HEAD), BM_CLICK)
        self.probe.post(self.control(dialog, WRITE), BM_CLICK)  # returns only once the box is closed
        box = self.probe.msgbox(caption="正常終了")
        self.assertEqual(box.text, name + " に書き出しました。")
        self.assertEqual(self.probe.info(box.hwnd).owner, dialog)
        self.probe.msgbox_press(box.hwnd, 1)
        self.probe.wait_gone(dialog)

        header = ["タイトル", "ユーザーＩＤ", "パスワード", "メモ", "ホームページ"]
        expected = b"".join(b",".join(b'"' + f.encode("cp932") + b'"' for f in line) + b"\r\n"
                            for line in [header, *ENTRIES])
        self.assertEqual(target.read_bytes(), expected)
        self.assertEqual(sorted(p.name for p in self.scratch.iterdir() if p.name.startswith("list")), ["list.csv"])
        self.close_program(hwnd)
        stored = self.settings()
        self.assertEqual({k: stored[k][1] for k in ("ExportFile", "ExpDelim", "DblQ", "Head")},
                         {"ExportFile": name, "ExpDelim": "0", "DblQ": "1", "Head": "1"})

    def test_a_read_only_file_gives_the_create_error_and_the_dialog_stays_open(self):
        target = self.scratch / "locked.txt"
        target.write_bytes(b"keep me\r\n")
        os.chmod(target, 0o444)
        self.addCleanup(os.chmod, target, 0o644)
        hwnd, dialog = self.open_export()
        name = winpath(target)
        self.probe.set_text(self.control(dialog, FILE_NAME), name)
        self.probe.send(self.control(dialog, TAB), BM_CLICK)
        self.probe.post(self.control(dialog, WRITE), BM_CLICK)
        box = self.probe.msgbox(caption="Tobrix")
        self.assertEqual(box.text, f"ファイル {name} を作成できません.")
        self.probe.msgbox_press(box.hwnd, 1)
        self.assertTrue(self.probe.info(dialog).visible)
        self.assertEqual(target.read_bytes(), b"keep me\r\n")
        self.assertEqual([p.name for p in self.scratch.iterdir() if p.name.startswith("locked")], ["locked.txt"])
        self.probe.send(self.control(dialog, CANCEL), BM_CLICK)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)
        self.assertEqual(self.settings()["ExportFile"][1], "")  # nothing was written, nothing stored

    def test_browsing_starts_in_the_typed_folder_and_takes_the_pick_with_the_filters_extension(self):
        hwnd, dialog = self.open_export()
        field = self.control(dialog, FILE_NAME)
        self.probe.set_text(field, winpath(self.scratch / "old.csv"))
        self.probe.post(self.control(dialog, SHOW), BM_CLICK)
        picker = wait_until(lambda: next((w[0] for w in self.probe.windows(DIALOG)
                                          if w[2] == CAPTION and w[0] != dialog and w[3]), None),
                            message="the save dialog")
        name = next(c for c in self.probe.children(picker) if c.class_name == "Edit")
        wait_until(lambda: self.probe.text(name.hwnd) == "old.csv", message="the typed name in the save dialog")
        # A name without a folder is taken in the folder the dialog started in: the typed one.
        self.probe.set_text(name.hwnd, "picked")
        self.probe.command(picker, 1)  # its Save button
        self.probe.wait_gone(picker)
        wait_until(lambda: self.probe.text(field) == winpath(self.scratch / "picked.txt"),
                   message="the picked name with .txt")
        self.assertEqual([self.checked(dialog, id) for id in (COMMA, TAB)], [False, True])  # the first filter: Tab
        self.assertEqual(self.probe.focus(dialog)["focus"], field)
        self.probe.send(self.control(dialog, CANCEL), BM_CLICK)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)
        self.assertFalse((self.scratch / "picked.txt").exists())
