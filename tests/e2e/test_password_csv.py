"""A browser's password export taken in through the File menu."""

from __future__ import annotations

from tobrix import BM_CLICK, DIALOG, TobrixTestCase, read_data_file
from wine_env import wait_until, winpath

PREVIEW_LIST, PREVIEW_NOTICE, PREVIEW_OK = 1401, 1403, 1
IDOK = 1


class PasswordCsvImportTest(TobrixTestCase):
    def test_a_chrome_export_is_previewed_appended_and_the_file_kept_by_default(self):
        self.write_entries([("old", "u", "p", "", "")])
        source = self.exe.parent / "Chrome Passwords.csv"
        # UTF-8 without a mark, as Chrome writes it: Japanese text, a quoted comma, a doubled
        # quote, a note over two lines, and a row without a name.
        source.write_bytes(
            "name,url,username,password,note\n"
            "日本のサイト,https://www.example.jp/login,山田,p@ss,\"一行目\n二行目\"\n"
            "\"Shop, Inc.\",https://shop.example.com/,buyer,\"pa\"\"ss\",\n"
            ",https://nameless.example.org/path,me,pw,\n".encode("utf-8"))
        hwnd, lv = self.open_program()
        self.wine.activate(hwnd)
        self.wine.key("alt+f", "b")
        picker = self.probe.find(DIALOG, "パスワードCSVの取り込み")
        wait_until(lambda: self.probe.info(picker).visible, message="the open dialog shown")
        name = next(c for c in self.probe.children(picker) if c.class_name == "Edit")
        self.probe.set_text(name.hwnd, winpath(source))
        self.probe.command(picker, IDOK)
        self.probe.wait_gone(picker)

        preview = self.probe.find(DIALOG, "プレビュー")
        rows_lv = self.probe.child(preview, id=PREVIEW_LIST).hwnd
        rows = wait_until(lambda: (v := self.probe.lv(rows_lv)).count > 0 and v, message="preview rows")
        expected = [
            ["日本のサイト", "山田", "p@ss", "一行目 二行目", "https://www.example.jp/login"],
            ["Shop, Inc.", "buyer", "pa\"ss", "", "https://shop.example.com/"],
            ["nameless.example.org", "me", "pw", "", "https://nameless.example.org/path"],
        ]
        self.assertEqual(list(rows.rows.values()), expected)
        self.assertEqual(self.probe.text(self.probe.child(preview, id=PREVIEW_NOTICE).hwnd), "")
        self.probe.post(self.probe.child(preview, id=PREVIEW_OK).hwnd, BM_CLICK)
        self.probe.wait_gone(preview)

        # The question about the file read: Enter takes its default answer, いいえ.
        box = self.probe.msgbox(caption="Tobrix")
        self.assertIn("削除しますか", box.text)
        self.wine.activate(box.hwnd)
        self.wine.key("Return")
        self.probe.wait_gone(box.hwnd)
        view = self.wait_for_list(lv, 4)
        self.assertEqual(view.selected, [1])
        self.assertTrue(source.exists())
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file),
                         [("old", "u", "p", "", "")] + [(r[0], r[1], r[2], r[3], r[4]) for r in expected])
