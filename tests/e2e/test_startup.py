"""Start, single instance and exit of the real program: settings in the registry, the data file."""

from __future__ import annotations

import contextlib
import os
import re
import shutil
import subprocess
import time
from pathlib import Path, PureWindowsPath

from tobrix import (DEFAULTS, GEOMETRY, MAIN_CLASS, MEMO, SAVE, SETTINGS_KEY, TobrixTestCase, data_file_bytes,
                    mtime_ns, read_data_file)
from wine_env import REG_SZ, wait_until

ENTRIES = [
    ("グーグル", "taro@example.jp", "パスワード", "メモです", "http://www.google.co.jp/"),
    ("表示テスト", "ｶﾀｶﾅ", "abc\\123", "", "http://www."),  # 0x5C as a second byte, half-width kana
    ("銀行", "12345", "ひみつ", "暗証番号", ""),
]
NEW = ("新しい", "user", "pw", "", "http://www.")  # the editor's address field starts with its preset


class StartupTest(TobrixTestCase):
    def add_entry_and_close(self, hwnd: int):
        """Adds NEW through the editor, closes the window and returns the message box that follows."""
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.fill(dialog, *NEW[:4])
        self.press(dialog, SAVE)
        self.press(dialog, 2)
        self.probe.wait_gone(dialog)
        self.probe.close(hwnd)
        return self.probe.msgbox(timeout=20, caption="Tobrix")

    def test_the_program_runs_with_code_page_932(self):
        self.assertEqual(self.probe.acp(), 932)

    def test_first_start_stores_default_settings_and_creates_no_data_file(self):
        hwnd, lv = self.open_program()
        view = self.probe.lv(lv)
        self.assertEqual(view.count, 0)
        self.assertEqual(view.selected, [])
        self.assertEqual([c.width for c in view.columns], [200, 150, 220, 130, 150])
        self.assertEqual([c.title for c in view.columns], ["タイトル", "ユーザーＩＤ", "パスワード", "メモ", "ホームページ"])
        self.assertEqual(self.probe.info(hwnd).caption, "Tobrix")
        self.assertIsNone(self.probe.reg_dump(SETTINGS_KEY))  # written at exit, not before
        left, top, right, bottom = self.probe.info(hwnd).rect

        self.close_program(hwnd)
        stored = self.settings()
        self.assertEqual(len(stored), 28)
        self.assertTrue(all(t == REG_SZ for t, _ in stored.values()), stored)
        self.assertEqual({k: v for k, (_, v) in stored.items() if k not in GEOMETRY}, DEFAULTS)
        self.assertEqual([stored[k][1] for k in GEOMETRY],
                         [str(left), str(top), str(right - left), str(bottom - top)])
        self.assertFalse(self.data_file.exists())
        self.assertEqual(sorted(p.name for p in self.scratch.iterdir()), ["Tobrix.exe"])

    def test_stored_geometry_and_column_widths_are_used_and_saved_again(self):
        self.probe.reg_set_sz(SETTINGS_KEY, "Left", "40")
        self.probe.reg_set_sz(SETTINGS_KEY, "Top", "30")
        self.probe.reg_set_sz(SETTINGS_KEY, "Width", "700")
        self.probe.reg_set_sz(SETTINGS_KEY, "Height", "400")
        self.probe.reg_set_sz(SETTINGS_KEY, "ColWidth1", "77")
        self.probe.reg_set_sz(SETTINGS_KEY, "HidePass", "5")
        hwnd, lv = self.open_program()
        self.assertEqual(self.probe.info(hwnd).rect, (40, 30, 740, 430))
        self.assertEqual(self.probe.lv(lv).columns[1].width, 77)
        self.probe.move(hwnd, 50, 60, 640, 480)
        self.close_program(hwnd)
        stored = self.settings()
        self.assertEqual([stored[k][1] for k in GEOMETRY], ["50", "60", "640", "480"])
        self.assertEqual(stored["ColWidth1"][1], "77")
        self.assertEqual(stored["HidePass"][1], "1")

    def test_entries_are_shown_with_the_first_row_selected_and_the_file_is_left_untouched(self):
        written = self.write_entries(ENTRIES)
        past = time.time() - 86400
        os.utime(self.data_file, (past, past))
        before = mtime_ns(self.data_file)

        hwnd, lv = self.open_program()
        view = self.wait_for_list(lv, 3)
        self.assertEqual(view.selected, [0])
        self.assertEqual(view.focused, 0)
        self.assertEqual([tuple(view.rows[i]) for i in range(3)], ENTRIES)

        self.close_program(hwnd)
        self.assertEqual(self.data_file.read_bytes(), written)
        self.assertEqual(mtime_ns(self.data_file), before)
        self.assertEqual(len(self.settings()), 28)  # the settings are saved anyway

    def test_hidden_passwords_show_asterisks_except_in_the_selected_row(self):
        self.write_entries(ENTRIES)
        self.probe.reg_set_sz(SETTINGS_KEY, "HidePass", "1")
        hwnd, lv = self.open_program()
        view = self.wait_for_list(lv, 3)
        self.assertEqual([view.rows[i][2] for i in range(3)], ["パスワード", "*******", "******"])
        self.probe.lv_select(lv, 2)
        view = self.probe.lv(lv)
        self.assertEqual([view.rows[i][2] for i in range(3)], ["**********", "*******", "ひみつ"])
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), ENTRIES)  # masks are never stored

    def test_a_second_start_brings_the_first_back_and_ends_without_a_window(self):
        hwnd, _ = self.open_program()
        self.probe.show(hwnd, self.probe.SW_MINIMIZE)
        wait_until(lambda: self.probe.info(hwnd).iconic, message="the first window minimised")

        second = self.wine.run(self.exe, timeout=30)
        self.assertEqual(second.returncode, 0)
        info = wait_until(lambda: (i := self.probe.info(hwnd)) and not i.iconic and i, message="restored")
        self.assertTrue(info.visible)
        wait_until(lambda: self.probe.foreground() == hwnd, message="the first window in front")
        self.assertEqual(self.probe.count(MAIN_CLASS), 1)
        self.close_program(hwnd)

    def test_two_starts_at_the_same_moment_open_one_window(self):
        first = self.start(self.exe)
        second = self.start(self.exe)
        hwnd = self.probe.find_by_image(MAIN_CLASS, self.exe)
        # One of the two ends by itself; the other keeps the only window.
        wait_until(lambda: first.poll() is not None or second.poll() is not None, 30,
                   message="one of the two starts to end")
        time.sleep(1)
        self.assertEqual(self.probe.count(MAIN_CLASS), 1)
        self.program = second if first.poll() is not None else first
        self.close_program(hwnd)

    def test_an_unreadable_data_file_is_never_overwritten_and_new_entries_go_to_a_recovery_file(self):
        written = self.write_entries(ENTRIES)
        with self.probe.hold(self.data_file):
            self.program = self.start(self.exe)
            box = self.probe.msgbox(timeout=20, caption="Tobrix")
            self.assertTrue(box.text.startswith("ファイル "), box.text)
            self.assertTrue(box.text.lower().endswith("\\tobrix.dat は開けません."), box.text)
            self.probe.msgbox_press(box.hwnd, 1)
            hwnd = self.probe.find_by_image(MAIN_CLASS, self.exe)
            lv = self.probe.child(hwnd, id=100).hwnd
            self.assertEqual(self.probe.lv(lv).count, 0)
        # Readable again, but it was never read: an entry added now must not replace it.
        box = self.add_entry_and_close(hwnd)
        self.assertIn("Tobrix.recovered.DAT", box.text)
        self.probe.msgbox_press(box.hwnd, 1)
        self.assertEqual(self.program.wait(30), 0)
        self.assertEqual(self.data_file.read_bytes(), written)
        self.assertEqual(read_data_file(self.scratch / "Tobrix.recovered.DAT"),
                         [NEW])
        self.assertEqual(sorted(p.name for p in self.scratch.iterdir()),
                         ["Tobrix.DAT", "Tobrix.exe", "Tobrix.recovered.DAT"])

    def test_a_read_only_data_file_is_left_as_it_was_and_the_entries_go_to_a_recovery_file_beside_it(self):
        written = self.write_entries(ENTRIES)
        self.data_file.chmod(0o444)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 3)
        self.assertTrue(self.probe.lv_click_header(lv, 0))  # the entries changed
        self.probe.close(hwnd)
        box = self.probe.msgbox(timeout=20, caption="Tobrix")
        self.assertTrue(box.text.startswith("データファイル "), box.text)
        self.assertIn("\\Tobrix.DAT を作成できません", box.text)
        self.assertIn("\\Tobrix.recovered.DAT に保存しました。", box.text)
        self.probe.msgbox_press(box.hwnd, 1)
        self.assertEqual(self.program.wait(30), 0)
        self.assertEqual(self.data_file.read_bytes(), written)
        self.assertEqual(sorted(read_data_file(self.scratch / "Tobrix.recovered.DAT")), sorted(ENTRIES))
        self.assertEqual(sorted(p.name for p in self.scratch.iterdir()),
                         ["Tobrix.DAT", "Tobrix.exe", "Tobrix.recovered.DAT"])

    def test_a_full_disk_at_exit_loses_nothing_the_entries_go_to_the_users_own_folder(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small file system needs root")
        full = self.scratch / "full"
        full.mkdir()
        room = self.exe.stat().st_size + 256 * 1024
        subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={room}", "tmpfs", str(full)], check=True)
        self.addCleanup(subprocess.run, ["umount", "-l", str(full)], check=False)
        self.exe = Path(shutil.move(self.exe, full / "Tobrix.exe"))
        self.data_file = full / "Tobrix.DAT"
        # A whole number of the file system's pages: any growth needs a page the disk no longer has.
        entries = ENTRIES + [("詰め物", "", "", "", "")]
        entries[-1] = entries[-1][:3] + ("x" * (-len(data_file_bytes(entries)) % 4096),) + entries[-1][4:]
        written = self.write_entries(entries)
        self.assertEqual(len(written) % 4096, 0)
        filler = os.open(full / "filler", os.O_WRONLY | os.O_CREAT)
        for block in (b"\0" * 4096, b"\0"):
            with contextlib.suppress(OSError):
                while os.write(filler, block):
                    pass
        os.close(filler)
        self.assertEqual(shutil.disk_usage(full).free, 0)

        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 4)
        box = self.add_entry_and_close(hwnd)
        self.assertTrue(box.text.startswith("データファイル "), box.text)
        self.assertIn("ストリームへの書き込みエラー", box.text)
        self.assertIn("すべてのパスワード", box.text)
        recovery = re.search(r"すべての項目を (.+) に保存しました。", box.text).group(1)
        self.assertTrue(recovery.lower().endswith("\\appdata\\local\\tobrix\\tobrix.recovered.dat"), recovery)
        recovered = Path(self.wine.prefix, "drive_c", *PureWindowsPath(recovery).parts[1:])
        self.addCleanup(shutil.rmtree, recovered.parent, ignore_errors=True)
        self.probe.msgbox_press(box.hwnd, 1)
        self.assertEqual(self.program.wait(30), 0)

        self.assertEqual(self.data_file.read_bytes(), written)
        self.assertEqual(sorted(p.name for p in full.iterdir()), ["Tobrix.DAT", "Tobrix.exe", "filler"])
        self.assertEqual(read_data_file(recovered), entries + [NEW])

    def test_the_program_works_from_a_folder_whose_name_code_page_932_cannot_hold(self):
        folder = self.scratch / "Zoë €"
        folder.mkdir()
        self.exe = Path(shutil.move(self.exe, folder / "Tobrix.exe"))
        self.data_file = folder / "Tobrix.DAT"
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.assertEqual(self.wait_for_list(lv, 3).rows[0], list(ENTRIES[0]))
        dialog = self.open_editor(hwnd, "ctrl+e", "アイテムの編集")
        self.probe.set_text(self.field(dialog, MEMO), "書き換え")
        self.press(dialog, SAVE)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), [ENTRIES[0][:3] + ("書き換え",) + ENTRIES[0][4:]] + ENTRIES[1:])
        self.assertEqual(sorted(p.name for p in folder.iterdir()), ["Tobrix.DAT", "Tobrix.exe"])

    def test_the_end_of_the_windows_session_saves_like_an_exit(self):
        hwnd, _ = self.open_program()
        self.probe.move(hwnd, 70, 80, 600, 450)
        self.assertTrue(self.wine.end_session(timeout=30), "wineboot --end-session did not finish")
        self.program.wait(30)
        stored = self.settings()
        self.assertEqual(len(stored), 28)
        self.assertEqual([stored[k][1] for k in GEOMETRY], ["70", "80", "600", "450"])
