"""Locking with the master password in the real program: Ctrl+L saves and shows nothing, the copied
password leaves the clipboard, the password brings the entry back; Windows going to sleep locks too."""

from __future__ import annotations

import hashlib
import hmac
import struct
import time

from cryptography.hazmat.primitives.ciphers.aead import AESGCM

from tobrix import BM_CLICK, COMMAND, SAVE, TobrixTestCase, mtime_ns
from wine_env import wait_until

PASSWORD = "鍵-lock 2026"
NEW, CONFIRM, PROMPT_FIELD, IDOK, IDYES = 1403, 1404, 1401, 1, 6
UNLOCK_BUTTON = 104
WM_COMMAND, WM_POWERBROADCAST, PBT_APMSUSPEND = 0x0111, 0x0218, 4


def open_protected(data: bytes, password: str) -> bytes:
    """The clear text of a protected data file, decrypted here with Python's own primitives."""
    iterations, salt, nonce = struct.unpack_from("<I", data, 12)[0], data[16:32], data[32:44]
    master = hashlib.pbkdf2_hmac("sha256", password.encode("utf-8"), salt, iterations, 32)
    file_key = hmac.new(master, b"Tobrix data file key", "sha256").digest()
    return AESGCM(file_key).decrypt(nonce, data[80:], data[:80])


class LockTest(TobrixTestCase):
    def locked(self, lv: int, unlock: int) -> bool:
        return not self.probe.info(lv).visible and self.probe.info(unlock).visible

    def test_lock_saves_clears_and_the_password_brings_the_entry_back(self):
        self.write_entries([("銀行", "12345", "ひみつ", "暗証番号", "")])
        hwnd, lv = self.open_program()
        unlock = self.field(hwnd, UNLOCK_BUTTON)
        self.probe.post(hwnd, WM_COMMAND, COMMAND["mnuMasterPassword"])
        setting = self.dialog("マスターパスワードの設定")
        for id in (NEW, CONFIRM):
            self.probe.set_text(self.field(setting, id), PASSWORD)
        self.probe.post(self.field(setting, IDOK), BM_CLICK)
        self.answer(IDYES)  # a forgotten one cannot be recovered
        self.answer(IDOK)   # set
        self.probe.wait_gone(setting)

        editor = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.fill(editor, "新しい口座", "taro", "新pw-77", "")
        self.press(editor, SAVE)
        self.press(editor, 2)
        self.probe.wait_gone(editor)
        self.wait_for_list(lv, 2)
        self.probe.lv_select(lv, 1)
        self.probe.clip_clear()
        self.wine.activate(hwnd)
        self.wine.key("ctrl+c")
        wait_until(lambda: self.probe.clip_get() == "新pw-77".encode("cp932"), message="the password copied")

        self.wine.key("ctrl+l")
        wait_until(lambda: self.locked(lv, unlock), message="the window locked")
        self.assertEqual(self.probe.lv(lv).count, 0)
        self.assertIsNone(self.probe.clip_get())
        text = open_protected(self.data_file.read_bytes(), PASSWORD)
        self.assertIn("新しい口座\x08taro\x08新pw-77".encode("cp932"), text)

        self.probe.post(unlock, BM_CLICK)
        prompt = self.dialog("マスターパスワード")
        self.probe.set_text(self.field(prompt, PROMPT_FIELD), "wrong")
        self.probe.post(self.field(prompt, IDOK), BM_CLICK)
        self.assertIn("違います", self.answer(IDOK))
        self.probe.set_text(self.field(prompt, PROMPT_FIELD), PASSWORD)
        self.probe.post(self.field(prompt, IDOK), BM_CLICK)
        self.probe.wait_gone(prompt)
        wait_until(lambda: self.probe.info(lv).visible, message="the list back")
        view = self.wait_for_list(lv, 2)
        self.assertEqual(view.rows[1][0], "新しい口座")
        self.assertEqual(view.selected, [1])

        # Windows going to sleep locks as well, once the editor open then is closed, with what was
        # typed in it saved; closing then asks nothing and writes nothing.
        editor = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.fill(editor, "眠る前", "hanako", "zz-9", "")
        self.probe.post(hwnd, WM_POWERBROADCAST, PBT_APMSUSPEND)
        time.sleep(1)
        self.assertTrue(self.probe.info(lv).visible)
        self.press(editor, SAVE)
        self.press(editor, 2)
        self.probe.wait_gone(editor)
        wait_until(lambda: self.locked(lv, unlock), message="locked before sleep")
        self.assertIn("眠る前\x08hanako\x08zz-9".encode("cp932"), open_protected(self.data_file.read_bytes(), PASSWORD))
        saved = mtime_ns(self.data_file)
        self.close_program(hwnd)
        self.assertEqual(mtime_ns(self.data_file), saved)
