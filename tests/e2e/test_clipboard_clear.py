"""A copied password leaves the clipboard again after the set delay; what another program put there since
stays, and the Tools menu switches the clearing off."""

from __future__ import annotations

import time

from tobrix import SETTINGS_KEY, TobrixTestCase
from wine_env import wait_until

PASSWORD = "ひみつ".encode("cp932")
DELAY = 2  # seconds, stored before the start


class ClipboardClearTest(TobrixTestCase):
    def copy_password(self, hwnd: int) -> float:
        """Ctrl+C in the main window; the time the password was seen on the clipboard."""
        self.probe.clip_clear()
        self.wine.activate(hwnd)
        self.wine.key("ctrl+c")
        wait_until(lambda: self.probe.clip_get() == PASSWORD, message="the password copied")
        return time.monotonic()

    def test_the_password_goes_after_the_delay_unless_something_else_took_its_place(self):
        self.write_entries([("銀行", "taro", "ひみつ", "", "http://www.")])
        self.probe.reg_set_sz(SETTINGS_KEY, "ClipboardClearSeconds", str(DELAY))
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 1)

        copied = self.copy_password(hwnd)
        wait_until(lambda: self.probe.clip_get() is None, DELAY + 8, message="the password taken off")
        self.assertGreater(time.monotonic() - copied, DELAY - 0.5)

        self.copy_password(hwnd)
        self.probe.clip_set_text(b"theirs")  # another program copies
        time.sleep(DELAY + 1.5)
        self.assertEqual(self.probe.clip_get(), b"theirs")

        self.wine.activate(hwnd)
        self.wine.key("alt+t", "l")  # ツール(&T) → コピーしたパスワードを消去(&L): off
        time.sleep(0.5)
        self.copy_password(hwnd)
        time.sleep(DELAY + 1.5)
        self.assertEqual(self.probe.clip_get(), PASSWORD)
        self.close_program(hwnd)
        stored = self.settings()
        self.assertEqual((stored["ClipboardClear"][1], stored["ClipboardClearSeconds"][1]), ("0", str(DELAY)))
