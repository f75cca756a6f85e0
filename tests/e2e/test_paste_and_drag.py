"""Continuous paste into another program, and reordering entries by dragging rows or from the keyboard."""

from __future__ import annotations

import time

from tobrix import SETTINGS_KEY, TobrixTestCase, read_data_file
from wine_env import wait_until

ENTRIES = [
    ("一つ目", "u1", "p1", "m1", "http://a/"),
    ("二つ目", "太郎", "ひみつ", "合言葉", "http://b/"),
    ("三つ目", "", "p3", "", "http://c/"),
    ("四つ目", "u4", "p4", "m4", "http://d/"),
    ("五つ目", "u5", "p5", "m5", "http://e/"),
]


class PasteAndDragTest(TobrixTestCase):
    def paste_elsewhere(self) -> bytes | None:
        """Another program pastes: it opens the clipboard and asks for 8-bit text."""
        got = self.probe.clip_get()
        time.sleep(0.4)  # longer than the pause before the next field is offered
        return got

    def test_ctrl_v_hands_user_id_password_and_memo_to_pastes_in_another_program(self):
        self.write_entries(ENTRIES)
        self.probe.reg_set_sz(SETTINGS_KEY, "HidePass", "1")
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 5)
        self.probe.lv_select(lv, 1)
        self.wine.activate(hwnd)
        self.wine.key("ctrl+v")
        time.sleep(0.3)
        pastes = [self.paste_elsewhere() for _ in range(4)]
        cp932 = lambda text: text.encode("cp932")
        self.assertEqual(pastes, [cp932("太郎"), cp932("ひみつ"), cp932("合言葉"), None])

        # Only a password: the first paste gets it; another row selected mid-sequence ends it.
        self.probe.lv_select(lv, 2)
        self.wine.key("ctrl+v")
        time.sleep(0.3)
        self.assertEqual(self.paste_elsewhere(), b"p3")
        self.assertIsNone(self.paste_elsewhere())
        self.wine.key("ctrl+v")
        time.sleep(0.3)
        self.probe.lv_select(lv, 3)
        self.assertIsNone(self.paste_elsewhere())
        self.close_program(hwnd)

    def test_a_row_dragged_with_the_mouse_moves_and_the_order_is_saved(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 5)
        self.wine.activate(hwnd)

        def centre(row: int) -> tuple[int, int]:
            left, top, right, bottom = self.probe.lv_rect(lv, row)
            return (left + right) // 2, (top + bottom) // 2

        self.wine.drag(centre(0), centre(3))
        view = wait_until(lambda: (v := self.probe.lv(lv)).rows[3][0] == "一つ目" and v, message="row 0 moved to 3")
        self.assertEqual([view.rows[i][0] for i in range(5)], ["二つ目", "三つ目", "四つ目", "一つ目", "五つ目"])
        self.assertEqual(view.selected, [3])

        # Released over the toolbar: nothing moves.
        toolbar = self.probe.child(hwnd, class_name="ToolbarWindow32").hwnd
        left, top, right, bottom = self.probe.info(toolbar).rect
        self.wine.drag(centre(4), ((left + right) // 2, (top + bottom) // 2))
        time.sleep(0.5)
        self.assertEqual(self.probe.lv(lv).rows[4][0], "五つ目")
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), [ENTRIES[i] for i in (1, 2, 3, 0, 4)])

    def test_alt_down_moves_the_selected_row_one_row_a_press_and_the_order_is_saved(self):
        self.write_entries(ENTRIES)
        hwnd, lv = self.open_program()
        self.wait_for_list(lv, 5)
        self.probe.lv_select(lv, 1)
        self.wine.activate(hwnd)
        self.wine.key("alt+Down")
        view = wait_until(lambda: (v := self.probe.lv(lv)).rows[2][0] == "二つ目" and v, message="row 1 moved to 2")
        self.assertEqual([view.rows[i][0] for i in range(5)], ["一つ目", "三つ目", "二つ目", "四つ目", "五つ目"])
        self.assertEqual(view.selected, [2])

        # Two more presses take it to the last row; a third changes nothing.
        for _ in range(3):
            self.wine.key("alt+Down")
        view = wait_until(lambda: (v := self.probe.lv(lv)).rows[4][0] == "二つ目" and v, message="row moved to the end")
        time.sleep(0.3)
        view = self.probe.lv(lv)
        self.assertEqual([view.rows[i][0] for i in range(5)], ["一つ目", "三つ目", "四つ目", "五つ目", "二つ目"])
        self.assertEqual(view.selected, [4])
        self.close_program(hwnd)
        self.assertEqual(read_data_file(self.data_file), [ENTRIES[i] for i in (0, 2, 3, 4, 1)])
