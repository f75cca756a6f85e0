"""The search field above the list, as a user types into it."""

from __future__ import annotations

from tobrix import TobrixTestCase
from wine_env import wait_until

IDC_SEARCH, IDC_SEARCH_COUNT = 101, 102

ENTRIES = [
    ("Bank of Tokyo", "taro", "pw-bank", "", "https://bank.example.jp"),
    ("メール", "hanako", "pw-mail", "", "https://mail.example.jp"),
    ("買い物", "jiro", "pw-shop", "BANK card", "https://shop.example.jp"),
    ("ゲーム", "saburo", "bank", "", "https://game.example.jp"),  # the word only in the password
]


class SearchTest(TobrixTestCase):
    def test_typed_words_narrow_the_rows_and_a_copy_takes_the_shown_rows_entry(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 4)
        self.wine.activate(hwnd)
        self.wine.key("ctrl+f")
        search = self.probe.child(hwnd, id=IDC_SEARCH).hwnd
        wait_until(lambda: self.probe.focus(hwnd).get("focus") == search, message="the field focused")
        self.wine.type_ascii("Bank")
        view = wait_until(lambda: (v := self.probe.lv(lv)).count == 2 and v, message="two rows")
        self.assertEqual([view.rows[r][0] for r in sorted(view.rows)], ["Bank of Tokyo", "買い物"])
        self.assertEqual(self.probe.text(self.probe.child(hwnd, id=IDC_SEARCH_COUNT).hwnd), "2 / 4 件")

        # Ctrl+C in the field copies its text, not a password.
        self.probe.clip_clear()
        self.wine.key("ctrl+a", "ctrl+c")
        wait_until(lambda: self.probe.clip_get() == b"Bank", message="the field's text copied")

        self.wine.key("Down")  # to the list
        wait_until(lambda: self.probe.focus(hwnd).get("focus") == lv, message="the list focused")
        self.probe.lv_select(lv, 1)
        self.wine.key("ctrl+c")
        wait_until(lambda: self.probe.clip_get() == b"pw-shop", message="the second shown row's password")

        self.wine.activate(hwnd)
        self.wine.key("ctrl+f", "Escape")  # emptied: every entry again
        wait_until(lambda: self.probe.lv(lv).count == 4, message="the whole list")
        self.assertEqual(self.probe.text(search), "")
        self.close_program(hwnd)
