"""A password made by the generator in the real editor, registered, and found in the data file; the
choice taken with it remembered in the registry. The report of weak and shared passwords, and the entry
chosen in it selected."""

from __future__ import annotations

from tobrix import BM_CLICK, CANCEL, COMMAND, DIALOG, PASSWORD, SAVE, TobrixTestCase, read_data_file
from wine_env import wait_until

GENERATE = 1007  # the editor's 生成 button
# The generator's controls.
LOOK_ALIKES, RESULT, STRENGTH, REGENERATE, USE = 1608, 1609, 1610, 1611, 1
REPORT_LIST = 1701
WM_COMMAND = 0x0111


class GeneratorTest(TobrixTestCase):
    def test_a_generated_password_is_registered_and_its_choices_remembered(self):
        hwnd, lv = self.open_program()
        editor = self.open_editor(hwnd, "ctrl+a", "アイテムの登録")
        self.fill(editor, "銀行", "taro", "old", "")
        # Posted: the generator runs its own modal loop, which a sent click would wait for.
        self.probe.post(self.field(editor, GENERATE), BM_CLICK)
        generator = self.probe.find(DIALOG, "パスワードの生成")
        wait_until(lambda: self.probe.info(generator).visible, message="the generator shown")
        first = wait_until(lambda: self.probe.text(self.field(generator, RESULT)), message="a first password")
        self.assertEqual(len(first), 20)
        self.assertEqual(self.probe.text(self.field(generator, STRENGTH)), "129 ビット（強い）")

        self.probe.post(self.field(generator, LOOK_ALIKES), BM_CLICK)
        made = wait_until(lambda: (t := self.probe.text(self.field(generator, RESULT))) != first and t,
                          message="a new password without look-alikes")
        self.probe.post(self.field(generator, REGENERATE), BM_CLICK)
        password = wait_until(lambda: (t := self.probe.text(self.field(generator, RESULT))) != made and t,
                              message="another password")
        self.assertEqual(len(password), 20)
        self.assertFalse(set(password) & set("0Oo1lI|"), password)
        for kind in ("ABCDEFGHJKLMNPQRSTUVWXYZ", "abcdefghijkmnpqrstuvwxyz", "23456789"):
            self.assertTrue(set(password) & set(kind), password)

        self.probe.post(self.field(generator, USE), BM_CLICK)
        self.probe.wait_gone(generator)
        self.assertEqual(self.probe.text(self.field(editor, PASSWORD)), password)
        self.press(editor, SAVE)
        self.wait_for_list(lv, 1)
        self.press(editor, CANCEL)
        self.probe.wait_gone(editor)
        self.close_program(hwnd)

        self.assertEqual(read_data_file(self.data_file), [("銀行", "taro", password, "", "http://www.")])
        settings = self.settings()
        self.assertEqual(settings["GenNoLookAlikes"][1], "1")
        self.assertNotIn("GenLength", settings)  # still at its default


class PasswordAuditTest(TobrixTestCase):
    def test_the_report_names_weak_and_shared_passwords_and_selects_the_one_chosen(self):
        self.write_entries([("銀行", "taro", "a-long-password-1", "", ""),
                            ("メール", "hanako", "same-password-2", "", ""),
                            ("短い", "jiro", "abc", "", ""),
                            ("通販", "taro", "same-password-2", "", "")])
        hwnd, lv = self.open_program()
        self.probe.post(hwnd, WM_COMMAND, COMMAND["mnuPasswordAudit"])
        report = self.probe.find(DIALOG, "パスワードの点検")
        wait_until(lambda: self.probe.info(report).visible, message="the report shown")
        rows = self.probe.lv(self.field(report, REPORT_LIST)).rows
        self.assertEqual([rows[i] for i in sorted(rows)], [
            ["メール", "hanako", "同じパスワード: 2 件"],
            ["通販", "taro", "同じパスワード: 2 件"],
            ["短い", "jiro", "8 バイト未満"],
        ])
        self.wine.activate(report)
        self.wine.key("Down", "Return")  # the second row: 通販
        self.probe.wait_gone(report)
        self.assertEqual(self.probe.lv(lv).selected, [3])
        self.close_program(hwnd)
