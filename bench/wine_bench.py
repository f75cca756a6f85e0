#!/usr/bin/env python3
"""The benchmarks that need Windows' own services, run under Wine; they print times and ratios
and never fail on timing:

- the header-click sort with the system's locale comparison against std::sort with strcmp on the
  same keys (tobrix-sort-bench.exe);
- an import of a delimited file with the progress window against the same read without a window
  (tobrix-reader-bench.exe);
- typing into the search field until the list control has drawn the rows again
  (tobrix-search-bench.exe);
- how long Tobrix.exe takes from its start until its window shows the list, with an empty start
  and with a data file of many entries;
- the longest the window stops answering while an entry is added to the many and, two seconds
  later, the entries are written to the session file.

    python3 bench/wine_bench.py --build-dir build/win64 [--entries 100000] [--runs 3]
"""

from __future__ import annotations

import argparse
import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))

import tobrix  # noqa: E402
import wine_env  # noqa: E402


def entries(count: int):
    for i in range(count):
        yield (f"タイトル{i:06d} サイト", f"user{i}@example.jp", f"pw{i * 7919 % 100000:05d}",
               "メモ" * (i % 4), f"http://www.example{i % 1000}.jp/login")


def time_start(session: wine_env.WineSession, folder: Path, expected_rows: int) -> float:
    exe = Path(shutil.copy2(session.find_exe("Tobrix.exe"), folder))
    probe = session.probe
    started = time.monotonic()
    program = session.start(exe)
    hwnd = probe.find_by_image(tobrix.MAIN_CLASS, exe, timeout=120, visible=True)
    lv = probe.child(hwnd, id=tobrix.LIST_ID).hwnd
    wine_env.wait_until(lambda: probe.lv(lv, 0, 1).count == expected_rows, 120, 0.02, "the rows")
    took = time.monotonic() - started
    probe.close(hwnd)
    program.wait(60)
    return took


def time_add(session: wine_env.WineSession, folder: Path, data: bytes, rows: int) -> tuple[float, float]:
    """The longest the window did not answer, in ms, while an entry is added, and later while its
    session file is written."""
    exe = Path(shutil.copy2(session.find_exe("Tobrix.exe"), folder))
    (folder / "Tobrix.DAT").write_bytes(data)
    probe = session.probe
    program = session.start(exe)
    hwnd = probe.find_by_image(tobrix.MAIN_CLASS, exe, timeout=120, visible=True)
    lv = probe.child(hwnd, id=tobrix.LIST_ID).hwnd
    wine_env.wait_until(lambda: probe.lv(lv, 0, 1).count == rows, 120, 0.02, "the rows")
    probe.post(hwnd, 0x0111, tobrix.COMMAND["actNew"])
    editor = probe.find("#32770", "アイテムの登録", timeout=30)
    wine_env.wait_until(lambda: probe.info(editor).visible, 30, message="the editor")
    probe.set_text(probe.child(editor, id=tobrix.TITLE).hwnd, "added")
    probe.set_text(probe.child(editor, id=tobrix.PASSWORD).hwnd, "pw")  # an entry needs both
    probe.command(editor, tobrix.SAVE)  # as the button sends it: the editor need not be active
    adding = probe.stall(hwnd, 0.5)  # the list taking the new row
    probe.command(editor, tobrix.CANCEL)
    probe.wait_gone(editor)
    autosave = folder / "Tobrix.autosave.DAT"
    saving = probe.stall(hwnd, 3.5)  # the session file, two seconds after the change
    if not autosave.exists() or probe.lv(lv, 0, 1).count != rows + 1:
        raise RuntimeError(f"the entry was not added ({probe.lv(lv, 0, 1).count} rows), or no session file was "
                           f"written ({autosave.exists()}): {sorted(p.name for p in folder.iterdir())}")
    probe.close(hwnd)
    program.wait(60)
    return adding, saving


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True, type=Path)
    parser.add_argument("--entries", type=int, default=100_000)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    data = tobrix.data_file_bytes(list(entries(args.entries)))
    with wine_env.WineSession(args.build_dir) as session:
        wine_env.set_session(session)
        for bench in ("tobrix-sort-bench.exe", "tobrix-reader-bench.exe", "tobrix-search-bench.exe"):
            result = session.run(session.find_exe(bench), [str(args.entries)], timeout=600)
            print(result.stdout.decode("ascii", "replace").replace("\r", ""), end="")
            if result.returncode != 0:
                print(result.stderr.decode("ascii", "replace"), file=sys.stderr)
                return 1
        results = {}
        for name, rows in (("empty", 0), (f"{args.entries} entries", args.entries)):
            best = float("inf")
            for run in range(args.runs):
                folder = session.scratch_dir(f"start-{rows}-{run}")
                if rows:
                    (folder / "Tobrix.DAT").write_bytes(data)
                best = min(best, time_start(session, folder, rows))
            results[name] = best
            print(f"start to a shown list, {name:>16}: {best * 1000:7.0f} ms (best of {args.runs})")
        empty, full = results.values()
        print(f"start with {args.entries} entries / empty start: {full / empty:.2f}")
        print(f"data file: {len(data)} bytes")
        runs = [time_add(session, session.scratch_dir(f"add-{run}"), data, args.entries) for run in range(args.runs)]
        print(f"adding an entry to {args.entries}: the window stopped for at most "
              f"{min(r[0] for r in runs):.0f} ms, writing the session file {min(r[1] for r in runs):.0f} ms "
              f"(best of {args.runs}; goal 100 ms)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
