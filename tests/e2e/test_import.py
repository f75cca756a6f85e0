"""A delimited text file imported through the File menu, the preview and the options dialog."""

from __future__ import annotations

from tobrix import BM_CLICK, DIALOG, SETTINGS_KEY, TobrixTestCase, mtime_ns, read_data_file
from wine_env import wait_until, winpath

# Control ids of the import options dialog and of the preview.
FILE_NAME, START, ETC, READ = 1501, 1503, 1509, 1516
CANCEL = 2
PREVIEW_LIST, PREVIEW_NOTICE, PREVIEW_OK = 1401, 1403, 1
BM_GETCHECK = 0x00F0


class ImportTest(TobrixTestCase):
    def open_import(self, hwnd: int) -> int:
        self.wine.activate(hwnd)
        self.wine.key("alt+f", "r")
        dialog = self.probe.find(DIALOG, "ファイルの取り込み")
        wait_until(lambda: self.probe.info(dialog).visible, message="the import dialog shown")
        return dialog

    def item(self, dialog: int, id: int) -> int:
        return self.probe.child(dialog, id=id).hwnd

    def click(self, dialog: int, id: int) -> None:
        # Posted: the button may open a modal window of its own.
        self.probe.post(self.item(dialog, id), BM_CLICK)

    def preview(self) -> tuple[int, list]:
        window = self.probe.find(DIALOG, "プレビュー")
        lv = self.probe.child(window, id=PREVIEW_LIST).hwnd
        return window, wait_until(lambda: (v := self.probe.lv(lv)).count > 0 and v, message="preview rows")

    def test_a_cp932_file_is_previewed_appended_selected_and_saved_with_the_choices(self):
        self.write_entries([("old", "u", "p", "", "")])
        source = self.exe.parent / "accounts.txt"
        # "ソ" ends in the byte of "\", the other delimiter here: it must stay whole.
        source.write_bytes("見出し\r\nソ\\id\\ひみつ\\memo\\http://x/\\extra\r\n\r\nB\\u2\r\n".encode("cp932"))
        self.probe.reg_set_sz(SETTINGS_KEY, "StartNum", "-3")  # a negative count skips no line: 0, not 3
        hwnd, lv = self.open_program()
        dialog = self.open_import(hwnd)
        self.assertEqual(self.probe.text(self.item(dialog, START)), "0")
        # Typed as a user would: the name where the focus starts, the other delimiter (its
        # box takes the focus there), comma off, one line skipped.
        self.wine.activate(dialog)
        self.wine.type_ascii(winpath(source))
        self.wine.key("alt+o")
        self.wine.type_ascii("\\")
        self.wine.key("alt+c", "alt+j", "1")
        self.assertEqual(self.probe.text(self.item(dialog, FILE_NAME)), winpath(source))
        self.assertEqual(self.probe.send(self.item(dialog, ETC), BM_GETCHECK), 1)
        self.click(dialog, READ)

        window, rows = self.preview()
        self.assertEqual(list(rows.rows.values()), [["ソ", "id", "ひみつ", "memo", "http://x/"], ["B", "u2", "", "", ""]])
        self.probe.post(self.item(window, PREVIEW_OK), BM_CLICK)
        self.probe.wait_gone(dialog)
        view = self.wait_for_list(lv, 3)
        self.assertEqual(view.selected, [1])
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), [
            ("old", "u", "p", "", ""), ("ソ", "id", "ひみつ", "memo", "http://x/"), ("B", "u2", "", "", "")])
        stored = self.probe.reg_dump(SETTINGS_KEY).values
        self.assertEqual(stored["InportFile"].text, winpath(source))
        self.assertEqual((stored["StartNum"].text, stored["Comma"].text, stored["Etc"].text, stored["EtcStr"].text),
                         ("1", "0", "1", "\\"))

    def test_an_empty_result_warns_and_a_declined_preview_changes_nothing(self):
        data = self.write_entries([("old", "u", "p", "", "")])
        before = mtime_ns(self.data_file)
        empty = self.exe.parent / "empty.csv"
        empty.write_bytes(b"\r\n\r\n")
        full = self.exe.parent / "full.csv"
        # UTF-8 from another system: its wave dashes (U+301C) become code page 932's own, and the
        # preview names the password that so became another password.
        full.write_bytes("\ufeffa\u301c,b,c\u301c\r\n".encode("utf-8"))
        hwnd, lv = self.open_program()
        dialog = self.open_import(hwnd)

        self.probe.set_text(self.item(dialog, FILE_NAME), winpath(empty))
        self.click(dialog, READ)
        box = self.probe.msgbox(caption="データエラー")
        self.assertEqual(box.text, "取り込めるデータが１件もありません。")
        self.probe.msgbox_press(box.hwnd, 1)

        self.probe.set_text(self.item(dialog, FILE_NAME), winpath(full))
        self.click(dialog, READ)
        window, rows = self.preview()
        self.assertEqual(list(rows.rows.values()), [["a\uff5e", "b", "c\uff5e", "", ""]])
        self.assertTrue(self.probe.text(self.item(window, PREVIEW_NOTICE)).endswith("\r\n1 行目のパスワード"))
        self.probe.post(self.item(window, CANCEL), BM_CLICK)
        self.probe.wait_gone(window)
        self.assertTrue(self.probe.info(dialog).visible)  # still open for another try

        self.click(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.assertEqual(self.probe.lv(lv).count, 1)
        self.close_program(hwnd)
        self.assertEqual((self.data_file.read_bytes(), mtime_ns(self.data_file)), (data, before))
        self.assertEqual(self.probe.reg_dump(SETTINGS_KEY).values["InportFile"].text, "")
