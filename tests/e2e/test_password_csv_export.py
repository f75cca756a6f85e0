"""Every entry written as a browser's password CSV, through the File menu."""

from __future__ import annotations

from tobrix import BM_CLICK, COMMAND, DIALOG, TobrixTestCase
from wine_env import wait_until, winpath

CAPTION = "パスワードCSVへの書き出し"
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
# The master password dialog's field and its line of text.
PASSWORD_FIELD, PROMPT_TEXT = 1401, 1450
WM_COMMAND = 0x0111

ENTRIES = [
    ("銀行", "taro", "ひみつ", "暗証番号は別", "http://bank.example.jp/"),
    ('say "hi", all', "u2", "p,w", "", ""),
]
EXPECTED = ("name,url,username,password,note\r\n"
            "銀行,http://bank.example.jp/,taro,ひみつ,暗証番号は別\r\n"
            '"say ""hi"", all",,u2,"p,w",\r\n').encode("utf-8")


class PasswordCsvExportTest(TobrixTestCase):
    def save_from_the_menu(self, hwnd, path):
        """The command from the File menu, its warning answered yes and `path` typed into the
        save dialog, whose Save button is pressed; the dialog's handle."""
        self.wine.activate(hwnd)
        self.wine.key("alt+f", "s")
        box = self.probe.msgbox(timeout=30, caption="Tobrix")
        self.assertIn("すべてのパスワードが暗号化されずに", box.text)
        self.probe.msgbox_press(box.hwnd, IDYES)
        picker = self.probe.find(DIALOG, CAPTION, timeout=30)
        name = wait_until(lambda: next((c for c in self.probe.children(picker) if c.class_name == "Edit"), None),
                          message="the save dialog's name field")
        self.probe.set_text(name.hwnd, winpath(path))
        self.probe.command(picker, IDOK)  # its Save button
        return picker

    def test_the_file_menu_replaces_the_typed_name_with_csv_added_by_the_utf8_csv_after_asking(self):
        target = self.scratch / "passwords.csv"
        target.write_bytes(b"an older export that is longer than this one could be, to be sure it is replaced\r\n" * 4)
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, len(ENTRIES))
        picker = self.save_from_the_menu(hwnd, self.scratch / "passwords")
        # The name with ".csv" is an existing file: the dialog asks before it is replaced.
        question = wait_until(lambda: next((w[0] for w in self.probe.windows(DIALOG)
                                            if w[2] == CAPTION and w[0] != picker and w[3]), None),
                              message="the question before replacing the file")
        self.assertEqual(self.probe.info(question).owner, picker)
        self.probe.msgbox_press(question, IDYES)
        self.probe.wait_gone(picker)

        box = self.probe.msgbox(caption="正常終了")
        self.assertEqual(box.text, winpath(target) + " に書き出しました。")
        self.probe.msgbox_press(box.hwnd, IDOK)
        self.assertEqual(target.read_bytes(), EXPECTED)
        self.assertEqual(sorted(p.name for p in self.scratch.iterdir() if p.name.startswith("passwords")),
                         ["passwords.csv"])
        self.close_program(hwnd)

    def test_a_folder_whose_name_shift_jis_cannot_hold_is_written_to_as_the_import_reads_from_it(self):
        folder = self.scratch / "Zoë €"
        folder.mkdir()
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, len(ENTRIES))
        self.probe.wait_gone(self.save_from_the_menu(hwnd, folder / "passwords"))
        box = self.probe.msgbox(timeout=30, caption="正常終了")
        self.assertTrue(box.text.endswith("passwords.csv に書き出しました。"), box.text)
        self.probe.msgbox_press(box.hwnd, IDOK)
        self.assertEqual((folder / "passwords.csv").read_bytes(), EXPECTED)
        self.close_program(hwnd)

    def test_with_a_master_password_it_is_checked_first_and_a_declined_warning_writes_nothing(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, len(ENTRIES))
        self.probe.post(hwnd, WM_COMMAND, COMMAND["mnuMasterPassword"])
        setting = self.probe.find(DIALOG, "マスターパスワードの設定", timeout=30)
        wait_until(lambda: self.probe.info(setting).visible, message="the setting shown")
        for id in (1403, 1404):  # the new password and its confirmation
            self.probe.set_text(self.field(setting, id), "ひらけ ごま")
        self.probe.post(self.field(setting, IDOK), BM_CLICK)
        self.probe.msgbox_press(self.probe.msgbox(timeout=30, caption="Tobrix").hwnd, IDYES)
        self.probe.msgbox_press(self.probe.msgbox(timeout=30, caption="Tobrix").hwnd, IDOK)
        self.probe.wait_gone(setting)

        def check() -> int:
            self.probe.post(hwnd, WM_COMMAND, COMMAND["mnuPasswordCsvExport"])
            dialog = self.probe.find(DIALOG, "マスターパスワード", timeout=30)
            wait_until(lambda: self.probe.info(dialog).visible, message="the check shown")
            self.assertEqual(self.probe.info(dialog).owner, hwnd)
            return dialog

        dialog = check()
        self.assertEqual(self.probe.text(self.field(dialog, PROMPT_TEXT)),
                         "書き出す前に、マスターパスワードを入力してください。")
        self.probe.set_text(self.field(dialog, PASSWORD_FIELD), "wrong")
        self.probe.post(self.field(dialog, IDOK), BM_CLICK)
        box = self.probe.msgbox(timeout=30, caption="Tobrix")
        self.assertEqual(box.text, "マスターパスワードが違います。")
        self.probe.msgbox_press(box.hwnd, IDOK)
        self.probe.set_text(self.field(dialog, PASSWORD_FIELD), "ひらけ ごま")
        self.probe.post(self.field(dialog, IDOK), BM_CLICK)
        self.probe.wait_gone(dialog)
        box = self.probe.msgbox(timeout=30, caption="Tobrix")
        self.assertIn("すべてのパスワードが暗号化されずに", box.text)
        self.probe.msgbox_press(box.hwnd, IDNO)

        # キャンセル at the check ends the command too; the program goes on.
        dialog = check()
        self.probe.post(self.field(dialog, IDCANCEL), BM_CLICK)
        self.probe.wait_gone(dialog)
        self.assertEqual([w for w in self.probe.windows(DIALOG) if w[3]], [])
        self.assertEqual([p for p in self.scratch.iterdir() if p.suffix == ".csv"], [])
        self.close_program(hwnd)
