"""The master password in the real program: the data file encrypted, asked for at start, given up on."""

from __future__ import annotations

from tobrix import (BM_CLICK, COMMAND, DIALOG, MAIN_CLASS, SAVE, TobrixTestCase, data_file_bytes, mtime_ns,
                    scramble)
from wine_env import wait_until

ENTRIES = [
    ("グーグル", "taro@example.jp", "パスワード", "メモです", "http://www.google.co.jp/"),
    ("銀行", "12345", "ひみつ", "暗証番号", ""),
]
# The password dialogs' fields.
PROMPT_FIELD, CURRENT, NEW, CONFIRM, REMOVE = 1401, 1402, 1403, 1404, 1405
IDOK, IDYES = 1, 6
MAGIC = b"{Tobrix}"


class MasterPasswordTest(TobrixTestCase):
    def setting_dialog(self, hwnd: int) -> int:
        self.probe.post(hwnd, 0x0111, COMMAND["mnuMasterPassword"])  # WM_COMMAND, as the menu sends it
        return self.dialog("マスターパスワードの設定")

    def prompt(self, password: str) -> None:
        dialog = self.dialog("マスターパスワード")
        # Asked before the main window shows.
        self.assertEqual([w for w in self.probe.windows(MAIN_CLASS) if w[3]], [])
        self.probe.set_text(self.field(dialog, PROMPT_FIELD), password)
        self.probe.post(self.field(dialog, IDOK), BM_CLICK)

    def assert_no_entry_text(self, data: bytes) -> None:
        for entry in ENTRIES:
            for field in filter(None, entry):
                text = field.encode("cp932")
                scrambled = [scramble(bytes(k) + text)[k:] for k in range(4)]  # at each offset mod 4
                for form in [text, field.encode("utf-8"), *scrambled]:
                    self.assertNotIn(form, data, field)

    def test_set_restart_with_a_wrong_then_the_right_password_cancel_and_remove(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        dialog = self.setting_dialog(hwnd)
        for id in (NEW, CONFIRM):
            self.probe.set_text(self.field(dialog, id), "Пароль-ä 2026")  # NFC/UTF-8, not code page 932
        self.probe.post(self.field(dialog, IDOK), BM_CLICK)
        self.assertIn("忘れる", self.answer(IDYES))
        self.answer(IDOK)  # done
        self.probe.wait_gone(dialog)
        first = self.data_file.read_bytes()
        self.assertEqual(first[:8], MAGIC)
        self.assert_no_entry_text(first)

        # The same entries saved again (one added and deleted): same salt, a fresh nonce.
        editor = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.fill(editor, "一時", "user", "pw", "")
        self.press(editor, SAVE)
        self.press(editor, 2)
        self.probe.wait_gone(editor)
        self.assertEqual(self.wait_for_list(lv, 3).rows[2][0], "一時")
        self.probe.lv_select(lv, 2)
        self.wine.activate(hwnd)
        self.wine.key("Delete")
        self.wait_for_list(lv, 2)
        self.close_program(hwnd)
        second = self.data_file.read_bytes()
        self.assertEqual(len(second), len(first))
        self.assertEqual(second[:44 - 12], first[:44 - 12])  # magic, version, ids, iterations, salt
        self.assertNotEqual(second[32:44], first[32:44])  # the nonce
        self.assert_no_entry_text(second)

        # A wrong password is said and asked again; the right one shows the list.
        self.program = self.start(self.exe)
        self.prompt("wrong")
        self.assertIn("違います", self.answer(IDOK))
        self.prompt("Пароль-ä 2026")
        hwnd = self.probe.find_by_image(MAIN_CLASS, self.exe, timeout=30)
        lv = self.probe.child(hwnd, id=100).hwnd
        self.assertEqual(self.wait_for_list(lv, 2).rows[1][0], "銀行")
        self.close_program(hwnd)

        # キャンセル ends the program and writes nothing.
        settings, data, time = self.settings(), self.data_file.read_bytes(), mtime_ns(self.data_file)
        self.program = self.start(self.exe)
        dialog = self.dialog("マスターパスワード")
        self.probe.post(self.field(dialog, 2), BM_CLICK)
        self.assertEqual(self.program.wait(30), 0)
        self.assertEqual((self.settings(), self.data_file.read_bytes(), mtime_ns(self.data_file)),
                         (settings, data, time))

        # Removed again, the file is the scrambled one, byte for byte.
        self.program = self.start(self.exe)
        self.prompt("Пароль-ä 2026")
        hwnd = self.probe.find_by_image(MAIN_CLASS, self.exe, timeout=30)
        dialog = self.setting_dialog(hwnd)
        self.probe.set_text(self.field(dialog, CURRENT), "Пароль-ä 2026")
        self.probe.send(self.field(dialog, REMOVE), BM_CLICK)
        self.probe.post(self.field(dialog, IDOK), BM_CLICK)
        self.answer(IDYES)
        self.answer(IDOK)
        self.close_program(hwnd)
        self.assertEqual(self.data_file.read_bytes(), data_file_bytes(ENTRIES))
        self.assertNotIn("MasterPassword", self.settings())
