"""Every entry written as a browser's password CSV, through the File menu."""

from __future__ import annotations

from tobrix import DIALOG, TobrixTestCase
from wine_env import wait_until, winpath

CAPTION = "パスワードCSVへの書き出し"
IDOK, IDYES = 1, 6

ENTRIES = [
    ("銀行", "taro", "ひみつ", "暗証番号は別", "http://bank.example.jp/"),
    ('say "hi", all', "u2", "p,w", "", ""),
]
EXPECTED = ("name,url,username,password,note\r\n"
            "銀行,http://bank.example.jp/,taro,ひみつ,暗証番号は別\r\n"
            '"say ""hi"", all",,u2,"p,w",\r\n').encode("utf-8")


class PasswordCsvExportTest(TobrixTestCase):
    def test_the_file_menu_replaces_the_typed_name_with_csv_added_by_the_utf8_csv_after_asking(self):
        target = self.scratch / "passwords.csv"
        target.write_bytes(b"an older export that is longer than this one could be, to be sure it is replaced\r\n" * 4)
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, len(ENTRIES))
        self.wine.activate(hwnd)
        self.wine.key("alt+f", "s")

        box = self.probe.msgbox(timeout=30, caption="Tobrix")
        self.assertIn("すべてのパスワードが暗号化されずに", box.text)
        self.probe.msgbox_press(box.hwnd, IDYES)

        picker = self.probe.find(DIALOG, CAPTION, timeout=30)
        name = wait_until(lambda: next((c for c in self.probe.children(picker) if c.class_name == "Edit"), None),
                          message="the save dialog's name field")
        self.probe.set_text(name.hwnd, winpath(self.scratch / "passwords"))
        self.probe.command(picker, IDOK)  # its Save button
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
