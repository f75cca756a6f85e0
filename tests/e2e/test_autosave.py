"""What a crash or a second writer cannot take away: the entries of a killed run come back at the next
start, and a data file changed on the disk meanwhile is merged rather than overwritten at the close."""

from __future__ import annotations

from tobrix import CANCEL, LIST_ID, MAIN_CLASS, SAVE, TobrixTestCase, read_data_file
from wine_env import wait_until

# The buttons of the program's own questions, in the order it gives them.
FIRST_BUTTON = 100


class AutosaveTest(TobrixTestCase):
    def add(self, hwnd: int, lv: int, *titles: str) -> None:
        editor = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        for title in titles:
            self.fill(editor, title, "id", "pw", "")
            self.press(editor, SAVE)
        self.press(editor, CANCEL)
        self.probe.wait_gone(editor)

    def titles(self, path) -> list[str]:
        return [entry[0] for entry in read_data_file(path)]

    def test_a_killed_run_is_offered_back_at_the_next_start_and_saved_at_its_close(self):
        self.write_entries([("古い口座", "u", "p", "", "")])
        hwnd, lv = self.open_program()
        self.add(hwnd, lv, "新しい一", "新しい二")
        session = self.exe.with_name("Tobrix.autosave.DAT")
        wait_until(lambda: session.exists() and len(read_data_file(session)) == 3, 10,
                   message="the session file with both entries")
        self.program.kill()
        self.program.wait(10)
        self.assertEqual(self.titles(self.data_file), ["古い口座"])

        self.program = self.start(self.exe)  # asked before the window shows
        self.assertIn("正しく終了しませんでした", self.answer(FIRST_BUTTON))  # はい
        hwnd = self.probe.find_by_image(MAIN_CLASS, self.exe, timeout=30)
        self.wait_for_list(self.probe.child(hwnd, id=LIST_ID).hwnd, 3)
        self.close_program(hwnd)
        self.assertEqual(self.titles(self.data_file), ["古い口座", "新しい一", "新しい二"])
        self.assertFalse(session.exists())

    def test_a_data_file_changed_meanwhile_is_merged_at_the_close(self):
        self.write_entries([("共通", "u", "p", "", "")])
        hwnd, lv = self.open_program()
        self.add(hwnd, lv, "こちら")
        self.wait_for_list(lv, 2)
        self.write_entries([("共通", "u", "p", "", ""), ("あちら", "v", "q", "", "")])  # another computer's
        self.probe.close(hwnd)
        self.assertIn("統合して保存", self.answer(FIRST_BUTTON))
        self.assertEqual(self.program.wait(30), 0)
        self.assertEqual(self.titles(self.data_file), ["共通", "こちら", "あちら"])
