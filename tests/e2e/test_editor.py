"""Entries added, edited and sorted through the real windows; the address taken from a browser."""

from __future__ import annotations

import time

from tobrix import (ADDRESS, BM_CLICK, CANCEL, COMMAND, DIALOG, GET, MEMO, PASSWORD, SAVE, SETTINGS_KEY, TITLE, USER,
                    TobrixTestCase, read_data_file)
from wine_env import h, wait_until

WM_COMMAND = 0x0111
EM_GETSEL, EM_SETSEL = 0x00B0, 0x00B1

ENTRIES = [
    ("b-second", "u1", "p1", "m1", "http://b/"),
    ("C-third", "u2", "p2", "m2", "http://c/"),
    ("a-first", "u3", "パスワード", "メモ", "http://a/"),
]


class EditorTest(TobrixTestCase):
    def texts(self, dialog: int) -> list[str]:
        return [self.probe.text(self.field(dialog, id)) for id in (TITLE, USER, PASSWORD, MEMO, ADDRESS)]

    def test_three_entries_added_in_a_row_reach_the_list_and_the_data_file(self):
        hwnd, lv = self.open_program()
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.assertEqual(self.texts(dialog), ["", "", "", "", "http://www."])
        added = [("グーグル", "taro", "ひみつ", "メモ", "http://www.google.co.jp/"),
                 ("   ", "", "pw", "", None),  # a title of spaces counts; the preset address is kept
                 ("銀行", "12345", "暗証", "", "")]
        for entry in added:
            self.fill(dialog, *entry)
            self.press(dialog, SAVE)
            view = self.probe.lv(lv)
            self.assertEqual(view.rows[view.count - 1][0], entry[0])
        self.assertEqual(view.count, 3)
        self.assertEqual(view.selected, [2])
        self.assertEqual(self.texts(dialog), ["", "", "", "", "http://www."])  # ready for the next one
        self.assertEqual(self.probe.focus(dialog)["focus"], self.field(dialog, TITLE))

        self.press(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), [
            ("グーグル", "taro", "ひみつ", "メモ", "http://www.google.co.jp/"),
            ("   ", "", "pw", "", "http://www."),
            ("銀行", "12345", "暗証", "", ""),
        ])

    def test_tab_goes_through_the_fields_then_the_buttons_and_the_address_caret_lands_at_its_end(self):
        hwnd, _ = self.open_program()
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.wine.activate(dialog)
        order = []
        for _ in range(8):
            order.append(self.probe.focus(dialog)["focus"])
            self.wine.key("Tab")
        self.assertEqual(order, [self.field(dialog, id) for id in (TITLE, USER, PASSWORD, MEMO, ADDRESS, SAVE, CANCEL, GET)])
        self.wine.key("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")  # back round into the address field
        address = self.field(dialog, ADDRESS)
        self.assertEqual(self.probe.focus(dialog)["focus"], address)
        selection = wait_until(lambda: (r := self.probe.send(address, EM_GETSEL)) and r, message="a selection")
        end = len("http://www.")
        self.assertEqual((selection & 0xFFFF, selection >> 16), (end, end))  # caret after the text, nothing selected
        self.wine.key("Escape")
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)

    def selection(self, edit: int) -> tuple[int, int]:
        packed = self.probe.send(edit, EM_GETSEL)
        return packed & 0xFFFF, packed >> 16

    def test_a_click_in_the_address_or_a_return_from_another_program_keeps_the_users_caret(self):
        hwnd, _ = self.open_program()
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        address = self.field(dialog, ADDRESS)
        text = "http://www.example.jp/"
        self.probe.set_text(address, text)
        left, top, _, bottom = self.probe.child(dialog, id=ADDRESS).rect
        self.wine.click(left + 40, (top + bottom) // 2)  # a few letters in
        wait_until(lambda: self.probe.focus(dialog)["focus"] == address, message="the address focused")
        time.sleep(0.5)  # anything posted on entry has run by now
        start, end = self.selection(address)
        self.assertEqual(start, end)
        self.assertTrue(0 < start < len(text), start)  # where the click was, not the end

        self.probe.send(address, EM_SETSEL, 2, 6)
        browser = self.start_browser("Elsewhere - Netscape", "x")
        self.wine.activate(self.probe.find("TobrixFakeBrowser", "Elsewhere - Netscape"))
        self.wine.activate(dialog)
        wait_until(lambda: self.probe.foreground() == dialog, message="the editor in front again")
        time.sleep(0.5)
        self.assertEqual(self.selection(address), (2, 6))
        browser.kill()
        self.press(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)

    def test_text_that_code_page_932_cannot_hold_is_refused_with_a_message_naming_the_field(self):
        hwnd, lv = self.open_program()
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        # The wave dash of other systems (U+301C) is taken in the title as code page 932's own,
        # but in a password it is another password and refused like any other character.
        for password in ("pässwörd€", "pw\u301c"):
            self.fill(dialog, "カフェ\u301c", "taro", password, "")
            self.probe.post(self.field(dialog, SAVE), BM_CLICK)  # the click returns once the box is closed
            box = self.probe.msgbox(caption="Tobrix")
            self.assertTrue(box.text.startswith("「パスワード」に、シフトJISで表せない文字が含まれています。"), box.text)
            self.assertEqual(self.probe.info(box.hwnd).owner, dialog)
            self.probe.msgbox_press(box.hwnd, 1)
            self.assertEqual(self.probe.focus(dialog)["focus"], self.field(dialog, PASSWORD))
            self.assertEqual(self.probe.text(self.field(dialog, PASSWORD)), password)  # left for the user to mend
            self.assertEqual(self.probe.lv(lv).count, 0)
        self.fill(dialog, "カフェ\u301c", "taro", "pw", "")
        self.press(dialog, SAVE)
        self.press(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), [("カフェ\uff5e", "taro", "pw", "", "http://www.")])

    def test_an_empty_title_is_refused_and_nothing_is_stored(self):
        hwnd, lv = self.open_program()
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.fill(dialog, "", "user", "pw", "")
        self.press(dialog, SAVE)
        self.assertEqual(self.probe.lv(lv).count, 0)
        self.assertEqual(self.probe.focus(dialog)["focus"], self.field(dialog, TITLE))
        self.press(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)
        self.assertFalse(self.data_file.exists())

    def test_editing_keeps_the_entry_in_its_place(self):
        self.write_entries(ENTRIES)
        self.probe.reg_set_sz(SETTINGS_KEY, "HidePass", "1")
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 3)
        self.probe.lv_select(lv, 2)
        dialog = self.open_editor(hwnd, "ctrl+e", "アイテムの編集")
        self.assertEqual(self.texts(dialog), list(ENTRIES[2]))  # the plain password, not asterisks
        self.probe.set_text(self.field(dialog, MEMO), "新しいメモ")
        self.press(dialog, SAVE)
        self.probe.wait_gone(dialog)  # an edit closes the editor
        view = self.probe.lv(lv)
        self.assertEqual(view.selected, [2])
        self.assertEqual(view.rows[2], ["a-first", "u3", "パスワード", "新しいメモ", "http://a/"])
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), ENTRIES[:2] + [("a-first", "u3", "パスワード", "新しいメモ", "http://a/")])

    def test_a_header_click_sorts_in_the_users_locale_and_the_order_is_saved(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 3)
        self.assertTrue(self.probe.lv_click_header(lv, 0))
        view = self.probe.lv(lv)
        # Locale order, not byte order (which would put "C-third" first).
        self.assertEqual([view.rows[i][0] for i in range(3)], ["a-first", "b-second", "C-third"])
        self.assertEqual(view.selected, [0])  # the selection stays on its row
        self.assertTrue(self.probe.lv_click_header(lv, 0))
        view = self.probe.lv(lv)
        self.assertEqual([view.rows[i][0] for i in range(3)], ["C-third", "b-second", "a-first"])
        self.close_program(hwnd)
        self.assertEqual([e[0] for e in read_data_file(self.data_file)], ["C-third", "b-second", "a-first"])

    def test_the_end_of_the_windows_session_writes_changed_entries(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 3)
        self.assertTrue(self.probe.lv_click_header(lv, 0))
        self.assertTrue(self.wine.end_session(timeout=30), "wineboot --end-session did not finish")
        self.program.wait(30)
        self.assertEqual([e[0] for e in read_data_file(self.data_file)], ["a-first", "b-second", "C-third"])

    def test_a_double_click_on_a_row_edits_that_entry(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 3)
        self.wine.activate(hwnd)
        left, top, right, bottom = self.probe.lv_rect(lv, 1)
        self.wine.click((left + right) // 2, (top + bottom) // 2, repeat=2)
        dialog = self.probe.find(DIALOG, "アイテムの編集")
        self.assertEqual(self.texts(dialog)[0], ENTRIES[1][0])
        self.press(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), ENTRIES)  # opened and cancelled: nothing written

    def start_browser(self, title: str, *edits: str, hang: bool = False):
        exe = self.wine.find_exe("tobrix-fake-browser.exe")
        args = (["--hang"] if hang else []) + [h(title) or "-"] + [h(e) or "-" for e in edits]
        browser = self.start(exe, args)
        frame = self.probe.find("TobrixFakeBrowser", title)
        # The frame shows before its fields exist.
        wait_until(lambda: len([c for c in self.probe.children(frame) if c.class_name == "Edit"]) == len(edits),
                   message="the browser's edit fields")
        return browser

    def test_get_takes_the_address_of_the_front_browser_or_resets_the_field(self):
        hwnd, _ = self.open_program()
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        address = self.field(dialog, ADDRESS)

        self.probe.set_text(address, "http://typed.by.hand/")
        self.press(dialog, GET)  # no browser: today's browsers are looked for in the background
        wait_until(lambda: self.probe.text(address) == "http://www.", message="the preset address")

        browser = self.start_browser("Yahoo! JAPAN - Microsoft Internet Explorer", "検索語", "http://www.yahoo.co.jp/")
        self.press(dialog, GET)
        self.assertEqual(self.probe.text(address), "http://www.yahoo.co.jp/")  # the last edit field
        browser.kill()
        browser.wait(10)

        self.press(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)

    def test_a_browser_that_does_not_answer_cannot_freeze_the_editor(self):
        self.start_browser("Frozen - Netscape", "http://never.read/", hang=True)
        time.sleep(6)  # long enough for the system to call it hung
        hwnd, _ = self.open_program()
        dialog = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        address = self.field(dialog, ADDRESS)
        self.probe.set_text(address, "http://typed/")
        started = time.monotonic()
        self.press(dialog, GET)
        wait_until(lambda: self.probe.text(address) == "http://www.", message="the preset address")
        self.assertLess(time.monotonic() - started, 10)
        self.press(dialog, CANCEL)
        self.probe.wait_gone(dialog)
        self.close_program(hwnd)


class AboutTest(TobrixTestCase):
    def test_the_about_box_shows_the_version_and_closes_with_ok(self):
        hwnd, _ = self.open_program()
        self.probe.post(hwnd, WM_COMMAND, COMMAND["actAbout"])
        box = self.probe.find(DIALOG, "ﾊﾞｰｼﾞｮﾝ情報")
        texts = [c.text for c in self.probe.children(box)]
        for text in ("Tobrix Version 1.41", "Last Modify： 2001/12/03", "Home Page：", "E-Mail：", "OK"):
            self.assertIn(text, texts)
        hidden = self.probe.child(box, class_name="Button")
        self.assertEqual(hidden.text, "Button1")
        self.assertEqual(self.probe.focus(box)["focus"], hidden.hwnd)  # the focus sits out of sight
        self.assertLess(hidden.rect[2], self.probe.info(box).rect[0] + 10)
        ok = next(c for c in self.probe.children(box) if c.text == "OK")
        self.probe.send(ok.hwnd, BM_CLICK)
        self.probe.wait_gone(box)
        self.close_program(hwnd)


    def test_the_addresses_open_as_a_web_page_and_as_a_new_mail(self):
        # Wine hands both kinds of address to what these settings name: a script that writes them down.
        stub, record = self.scratch / "handler.sh", self.scratch / "opened.txt"
        stub.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '{record}'\n")
        stub.chmod(0o755)
        for kind in ("Browsers", "Mailers"):
            self.probe.reg_set_sz(r"Software\Wine\WineBrowser", kind, str(stub))
        self.addCleanup(self.probe.reg_delete_tree, r"Software\Wine\WineBrowser")

        hwnd, _ = self.open_program()
        self.probe.post(hwnd, WM_COMMAND, COMMAND["actAbout"])
        box = self.probe.find(DIALOG, "ﾊﾞｰｼﾞｮﾝ情報")
        wait_until(lambda: self.probe.info(box).visible, message="the about box shown")
        self.wine.activate(box)
        # The addresses are link controls, each one link: "<a>address</a>".
        links = {c.text.removeprefix("<a>").removesuffix("</a>"): c.rect
                 for c in self.probe.children(box) if c.class_name == "SysLink"}
        home = next(t for t in links if t.startswith("http://"))
        mail = next(t for t in links if "@" in t)
        for text in (home, mail):
            left, top, right, bottom = links[text]
            self.wine.click((left + right) // 2, (top + bottom) // 2)
        lines = wait_until(lambda: record.exists() and len(record.read_text().split()) == 2
                           and record.read_text().split(), 20, message="both addresses opened")
        self.assertEqual(lines, [home, "mailto:" + mail])
        self.assertTrue(self.probe.info(box).visible)  # the box stays open
        self.probe.post(box, WM_COMMAND, 1)
        self.probe.wait_gone(box)
        self.close_program(hwnd)
