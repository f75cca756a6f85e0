"""The main window's commands as a user reaches them: shortcut keys, the context menu, the toolbar,
the menu bar; and the window options they switch."""

from __future__ import annotations

import time

from tobrix import COMMAND, SETTINGS_KEY, TobrixTestCase, read_data_file
from wine_env import wait_until

TB_ISBUTTONCHECKED = 0x040A
WM_NCLBUTTONDBLCLK, HTCAPTION, HTMENU = 0x00A3, 2, 5

ENTRIES = [
    ("一つ目", "u1", "p1", "m1", "http://a/"),
    ("二つ目", "u2", "p2", "m2", "http://b/"),
    ("三つ目", "u3", "p3", "m3", "http://c/"),
    ("四つ目", "u4", "p4", "m4", "http://d/"),
]


class CommandsTest(TobrixTestCase):
    def toolbar(self, hwnd: int) -> int:
        return self.probe.child(hwnd, class_name="ToolbarWindow32").hwnd

    def click_button(self, hwnd: int, command: str) -> None:
        left, top, right, bottom = self.probe.tb_rect(self.toolbar(hwnd), COMMAND[command])
        self.wine.click((left + right) // 2, (top + bottom) // 2)

    def button_pressed(self, hwnd: int, command: str) -> bool:
        return self.probe.send(self.toolbar(hwnd), TB_ISBUTTONCHECKED, COMMAND[command]) != 0

    def delete_the_second(self) -> tuple[int, int]:
        """Starts on the four entries and deletes the second with its key."""
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 4)
        self.probe.lv_select(lv, 1)
        self.wine.activate(hwnd)
        self.wine.key("Delete")
        return hwnd, lv

    def test_delete_from_its_key_and_the_context_menu_asks_nothing_and_the_data_file_lacks_the_entries(self):
        hwnd, lv = self.delete_the_second()
        view = wait_until(lambda: (v := self.probe.lv(lv)).count == 3 and v, message="one row less")
        self.assertEqual(view.selected, [1])
        self.assertEqual(view.rows[1][0], "三つ目")  # the entry that took its place

        left, top, right, bottom = self.probe.lv_rect(lv, 2)
        self.wine.click((left + right) // 2, (top + bottom) // 2, button=3)
        time.sleep(0.5)
        self.wine.key("d")  # 削除(&D)
        view = wait_until(lambda: (v := self.probe.lv(lv)).count == 2 and v, message="another row less")
        self.assertEqual(view.selected, [1])  # the new last row
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), [ENTRIES[0], ENTRIES[2]])

    def test_ctrl_z_brings_a_deleted_entry_back_but_not_from_the_search_field(self):
        hwnd, lv = self.delete_the_second()
        wait_until(lambda: self.probe.lv(lv).count == 3, message="one row less")
        self.wine.key("ctrl+z")
        view = wait_until(lambda: (v := self.probe.lv(lv)).count == 4 and v, message="the entry back")
        self.assertEqual((view.selected, view.rows[1][0]), ([1], "二つ目"))
        self.wine.key("ctrl+y")
        wait_until(lambda: self.probe.lv(lv).count == 3, message="deleted again")
        # In the search field the keys are the field's own.
        self.wine.key("ctrl+f")
        self.wine.type_ascii("u")
        self.wine.key("ctrl+z")
        time.sleep(0.5)
        self.assertEqual(self.probe.lv(lv).count, 3)
        self.wine.key("Down")
        self.wine.key("ctrl+z")
        wait_until(lambda: self.probe.lv(lv).count == 4, message="the entry back from the list")
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), ENTRIES)

    def test_copies_put_the_stored_bytes_on_the_clipboard(self):
        self.write_entries([("銀行", "taro", "ひみつ", "", "http://www.")])
        self.probe.reg_set_sz(SETTINGS_KEY, "HidePass", "1")
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 1)
        self.probe.clip_clear()
        self.wine.activate(hwnd)
        self.wine.key("ctrl+c")  # the list has the focus: the shortcut still copies
        wait_until(lambda: self.probe.clip_get() == "ひみつ".encode("cp932"), message="the password copied")
        self.click_button(hwnd, "actTcopy")
        wait_until(lambda: self.probe.clip_get() == "銀行".encode("cp932"), message="the title copied")
        self.wine.key("ctrl+m", "ctrl+h")  # no memo, the preset address: nothing to copy
        time.sleep(0.5)
        self.assertEqual(self.probe.clip_get(), "銀行".encode("cp932"))
        self.close_program(hwnd)

    def test_top_most_survives_a_restart_and_shows_on_the_toolbar(self):
        hwnd, _ = self.open_program()
        self.wine.activate(hwnd)
        # From the menu: under Wine a window made top-most while a tooltip shows (as after a
        # click on the toolbar button) does not stay so; the command is the same.
        self.wine.key("alt+t", "t")  # ツール(&T) → 常に最前面(&T)
        wait_until(lambda: self.probe.info(hwnd).topmost, message="top-most")
        self.assertTrue(self.button_pressed(hwnd, "actTopLock"))
        self.close_program(hwnd)
        self.assertEqual(self.settings()["OnTop"][1], "1")

        hwnd, _ = self.open_program()
        self.assertTrue(self.probe.info(hwnd).topmost)
        self.assertTrue(self.button_pressed(hwnd, "actTopLock"))
        self.close_program(hwnd)

    def test_with_the_shade_a_caption_double_click_rolls_the_window_up_and_down(self):
        for name, value in (("Left", "40"), ("Top", "30"), ("Width", "700"), ("Height", "400")):
            self.probe.reg_set_sz(SETTINGS_KEY, name, value)
        hwnd, _ = self.open_program()
        self.wine.activate(hwnd)
        self.wine.key("alt+t", "s")  # ツール(&T) → シェード機能(&S)
        time.sleep(0.5)
        # Under Wine the window manager takes over a press on the caption (to move the
        # window) and keeps the second click; Windows then sends this message, so send it.
        caption_double_click = lambda: self.probe.post(hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, ((30 + 10) << 16) | 300)
        caption_double_click()
        rolled = wait_until(lambda: (r := self.probe.info(hwnd).rect)[3] - r[1] < 100 and r, message="rolled up")
        self.assertEqual(rolled[:3], (40, 30, 740))
        self.probe.post(hwnd, WM_NCLBUTTONDBLCLK, HTMENU, ((rolled[3] + 5) << 16) | 300)  # below the strip
        time.sleep(0.5)
        self.assertEqual(self.probe.info(hwnd).rect, rolled)
        caption_double_click()
        wait_until(lambda: self.probe.info(hwnd).rect == (40, 30, 740, 430), message="down again")
        self.close_program(hwnd)
        stored = self.settings()
        self.assertEqual((stored["Shard"][1], stored["orgHeight"][1], stored["Height"][1]), ("1", "400", "400"))

    def test_addresses_open_in_the_browser_and_a_program_path_is_refused_saying_why(self):
        stub, record = self.scratch / "browser.sh", self.scratch / "opened.txt"
        stub.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '{record}'\n")
        stub.chmod(0o755)
        self.probe.reg_set_sz(r"Software\Wine\WineBrowser", "Browsers", str(stub))
        self.addCleanup(self.probe.reg_delete_tree, r"Software\Wine\WineBrowser")
        self.write_entries([("web", "", "p", "", "https://example.jp/a?b=1"),
                            ("host", "", "p", "", " example.org/login"),
                            ("local", "", "p", "", "C:\\windows\\notepad.exe")])
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 3)
        self.wine.activate(hwnd)
        opened = lambda: record.read_text().split() if record.exists() else []
        self.wine.key("ctrl+g")
        wait_until(lambda: opened() == ["https://example.jp/a?b=1"], 20, message="the address handed to the browser")
        self.probe.lv_select(lv, 1)
        self.wine.key("ctrl+g")
        wait_until(lambda: opened()[1:] == ["http://example.org/login"], 20, message="the host name as an http address")
        self.probe.lv_select(lv, 2)
        self.wine.key("ctrl+g")
        box = self.probe.msgbox(caption="Tobrix")
        self.assertTrue(box.text.startswith("HTML ファイル（.htm、.html）のほかは開けません。"), box.text)
        self.probe.msgbox_press(box.hwnd, 1)
        time.sleep(1)
        self.assertEqual(len(opened()), 2)
        self.assertEqual(self.probe.count("Notepad"), 0)
        self.close_program(hwnd)
