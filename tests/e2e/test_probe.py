"""Checks the test infrastructure itself: tobrix-probe against the small sample window program."""

from __future__ import annotations

import time

from wine_env import ProbeError, ProbeNotFound, WineTestCase, wait_until, winpath

# What tobrix-probe-sample shows (it holds these as CP932 bytes).
COLUMNS = [("名前", 120), ("メモ", 160), ("Size", 60)]
ROWS = [["apple", "りんご", "3"], ["東京", "首都", "10"], ["ソフト表示", "ｶﾀｶﾅ", "7"], ["zebra", "しまうま", "1"]]
QUESTION = "保存しますか？"
FAREWELL = "サンプル終了"
IDYES, IDNO = 6, 7
ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION = 2, 32
CF_TEXT = 1


class SampleTestCase(WineTestCase):
    def setUp(self) -> None:
        super().setUp()
        self.reg_key = rf"Software\TobrixProbeTest\{self._testMethodName}"
        self.probe.reg_delete_tree(self.reg_key)
        self.addCleanup(self.probe.reg_delete_tree, self.reg_key)

    def open_sample(self) -> tuple[int, int]:
        """Starts a private copy of the sample; returns its main window and list view."""
        exe = self.copy_to_scratch(self.wine.find_exe("tobrix-probe-sample.exe"))
        self.sample = self.start(exe, [self.reg_key])
        self.sample_exe = exe
        hwnd = self.probe.find_by_image("ProbeSample", exe)
        return hwnd, self.probe.child(hwnd, id=101).hwnd

    def caption(self, hwnd: int) -> str:
        return self.probe.info(hwnd).caption


class WindowTest(SampleTestCase):
    def test_code_page_is_japanese(self):
        self.assertEqual(self.probe.acp(), 932)

    def test_command_line_mode(self):
        ok = self.probe.run_once("acp")
        self.assertEqual((ok.returncode, ok.stdout), (0, b"932\n"))
        missing = self.probe.run_once("find", "4e6f53756368436c617373", "*", "200")
        self.assertEqual(missing.returncode, 2)
        self.assertIn(b"window not found", missing.stderr)
        bad = self.probe.run_once("info", "not-a-handle")
        self.assertEqual(bad.returncode, 1)
        self.assertIn(b"window handle expected", bad.stderr)

    def test_find_info_minimize_restore(self):
        hwnd, _ = self.open_sample()
        self.assertEqual(self.probe.find("ProbeSample", "Probe Sample sort=-1 answer=0"), hwnd)
        self.assertEqual(self.probe.count("ProbeSample"), 1)
        with self.assertRaises(ProbeNotFound):
            self.probe.find("ProbeSample", "another caption", timeout=0.2)

        info = self.probe.info(hwnd)
        self.assertEqual(info.class_name, "ProbeSample")
        self.assertEqual(info.image.lower(), winpath(self.sample_exe).lower())
        self.assertTrue(info.visible)
        self.assertFalse(info.iconic or info.zoomed or info.topmost)
        left, top, right, bottom = info.rect
        self.assertEqual((right - left, bottom - top), (480, 320))  # the size the sample asks for

        self.probe.show(hwnd, self.probe.SW_MINIMIZE)
        self.assertTrue(self.probe.info(hwnd).iconic)
        self.probe.show(hwnd, self.probe.SW_RESTORE)
        restored = self.probe.info(hwnd)
        self.assertFalse(restored.iconic)
        self.assertEqual(restored.rect, info.rect)

        kinds = {(c.class_name, c.id, c.text) for c in self.probe.children(hwnd)}
        self.assertIn(("SysListView32", 101, ""), kinds)
        self.assertIn(("Button", 102, "Ask"), kinds)

        self.probe.close(hwnd)
        self.probe.wait_gone(hwnd)
        self.assertEqual(self.sample.wait(10), 0)

    def test_real_mouse_and_keys_reach_the_program(self):
        hwnd, lv = self.open_sample()
        self.wine.activate(hwnd)
        wait_until(lambda: self.probe.foreground() == hwnd, message="the sample in the foreground")
        left, top, right, bottom = self.probe.lv_rect(lv, 1)
        self.wine.click((left + right) // 2, (top + bottom) // 2)
        wait_until(lambda: self.probe.lv(lv, 0, 0).selected == [1], message="row 1 selected by a click")
        self.wine.key("Down")
        wait_until(lambda: self.probe.lv(lv, 0, 0).selected == [2], message="row 2 selected by Down")


class ListViewTest(SampleTestCase):
    def test_cells_and_columns_read_back(self):
        _, lv = self.open_sample()
        view = self.probe.lv(lv)
        self.assertEqual(view.count, len(ROWS))
        self.assertEqual([(c.title, c.width) for c in view.columns], COLUMNS)
        self.assertEqual(view.rows, dict(enumerate(ROWS)))
        self.assertEqual((view.selected, view.focused), ([], -1))
        self.assertEqual(self.probe.lv(lv, 1, 2).rows, {1: ROWS[1], 2: ROWS[2]})

    def test_select(self):
        _, lv = self.open_sample()
        self.probe.lv_select(lv, 2)
        view = self.probe.lv(lv)
        self.assertEqual((view.selected, view.focused), ([2], 2))
        self.probe.lv_select(lv, 0, add=True)
        view = self.probe.lv(lv)
        self.assertEqual((view.selected, view.focused), ([0, 2], 0))
        self.probe.lv_select(lv, 3)
        self.assertEqual(self.probe.lv(lv).selected, [3])

    def test_header_click_reaches_the_program(self):
        hwnd, lv = self.open_sample()
        self.assertTrue(self.probe.lv_click_header(lv, 2))
        self.assertEqual(self.caption(hwnd), "Probe Sample sort=2 answer=0")
        by_size = sorted(ROWS, key=lambda row: int(row[2]))
        self.assertEqual(list(self.probe.lv(lv).rows.values()), by_size)
        self.probe.lv_click_header(lv, 1)
        self.assertEqual(self.caption(hwnd), "Probe Sample sort=1 answer=0")
        self.assertEqual(list(self.probe.lv(lv).rows.values()), sorted(ROWS, key=lambda row: row[1]))


class MessageBoxTest(SampleTestCase):
    def test_found_and_pressed(self):
        hwnd, _ = self.open_sample()
        with self.assertRaises(ProbeNotFound):
            self.probe.msgbox(timeout=0.2)
        self.probe.command(hwnd, 102)
        box = self.probe.msgbox()
        self.assertEqual(box.caption, "Probe Sample")
        self.assertEqual(box.text, QUESTION)
        self.assertEqual(sorted(box.buttons), [IDYES, IDNO])
        self.probe.msgbox_press(box.hwnd, IDNO)
        wait_until(lambda: self.caption(hwnd) == "Probe Sample sort=-1 answer=7", message="answer recorded")
        self.assertEqual(self.probe.count("#32770"), 0)


class RegistryTest(SampleTestCase):
    def test_round_trip(self):
        key = self.reg_key + r"\Sub"
        self.assertIsNone(self.probe.reg_dump(key))
        text = "表示ソ\\テスト"  # 0x5C trail bytes in CP932, and a real backslash
        self.probe.reg_set_sz(key, "名前", text)
        self.probe.reg_set_dword(key, "Count", -1)
        self.probe.reg_set_raw(key, "", 3, b"\x00\x01\xff")
        dump = self.probe.reg_dump(key)
        self.assertEqual(dump.values["名前"].type, 1)
        self.assertEqual(dump.values["名前"].text, text)
        self.assertEqual(dump.values["名前"].data, (text + "\0").encode("utf-16-le"))
        self.assertEqual((dump.values["Count"].type, dump.values["Count"].dword), (4, 0xFFFFFFFF))
        self.assertEqual((dump.values[""].type, dump.values[""].data, dump.values[""].text), (3, b"\x00\x01\xff", None))
        self.assertEqual(self.probe.reg_dump(self.reg_key).subkeys, ["Sub"])

        self.probe.reg_delete_value(key, "Count")
        self.assertNotIn("Count", self.probe.reg_dump(key).values)
        self.probe.reg_delete_tree(self.reg_key)
        self.assertIsNone(self.probe.reg_dump(self.reg_key))

    def test_program_writes_on_exit(self):
        hwnd, lv = self.open_sample()
        self.probe.lv_click_header(lv, 0)
        self.probe.lv_select(lv, 2)
        self.assertIsNone(self.probe.reg_dump(self.reg_key))
        self.probe.close(hwnd)
        self.probe.wait_gone(hwnd)
        values = self.probe.reg_dump(self.reg_key).values
        self.assertEqual({name: values[name].dword for name in ("Sort", "Selected", "Answer")},
                         {"Sort": 0, "Selected": 2, "Answer": 0})
        self.assertEqual(values["Farewell"].text, FAREWELL)


class FileTest(SampleTestCase):
    def test_hold_blocks_other_opens(self):
        path = self.scratch / "data file.dat"
        path.write_bytes(b"data")
        self.assertEqual(self.probe.try_open(path), 0)
        self.assertEqual(self.probe.try_open(self.scratch / "missing.dat"), ERROR_FILE_NOT_FOUND)
        with self.probe.hold(path) as held:
            self.assertEqual(self.probe.try_open(path), ERROR_SHARING_VIOLATION)
            self.assertEqual(self.probe.try_open(path, write=True), ERROR_SHARING_VIOLATION)
            with self.assertRaisesRegex(ProbeError, "error 32"):
                self.probe.hold(path)
        self.assertEqual(held.proc.returncode, 0)
        self.assertEqual(self.probe.try_open(path), 0)

    def test_hold_ends_after_its_time(self):
        path = self.scratch / "short.dat"
        path.write_bytes(b"")
        started = time.monotonic()
        held = self.probe.hold(path, seconds=1)
        self.assertEqual(held.proc.wait(20), 0)  # stdin still open: the time ended it
        self.assertGreaterEqual(time.monotonic() - started, 0.9)
        self.assertEqual(self.probe.try_open(path), 0)
        held.release()


class ClipboardTest(SampleTestCase):
    def test_round_trip(self):
        text = "日本語ソ表\\abc"
        data = text.encode("cp932")
        self.probe.clip_set_text(data)
        self.assertEqual(self.probe.clip_get(), data)
        self.assertEqual(self.probe.clip_get_unicode(), text)  # converted with code page 932
        self.assertIn(CF_TEXT, self.probe.clip_formats())

        self.probe.clip_set_unicode("ユニコード")
        self.assertEqual(self.probe.clip_get(), "ユニコード".encode("cp932"))

        self.probe.clip_clear()
        self.assertIsNone(self.probe.clip_get())
        self.assertEqual(self.probe.clip_formats(), [])
