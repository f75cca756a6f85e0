#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/test_*.py) one after another in a single Wine session.

    python3 tests/e2e/run.py --build-dir build/win64 [-k PATTERN] [--failfast] [--keep] [-q]

--build-dir is the Windows build directory; tobrix-probe.exe and Tobrix.exe are looked up beneath it.
A failing test leaves a screenshot and a list of the open windows in tests/e2e/artifacts/.
Exit code 0 when every test passed.
"""

from __future__ import annotations

import argparse
import os
import re
import signal
import sys
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import wine_env  # noqa: E402  (needs the path above)


class ArtifactResult(unittest.TextTestResult):
    """Saves what the screen showed when a test failed; unittest reports a failure before the test's
    cleanups run, so the windows are still there."""

    artifacts: Path | None = None

    def addFailure(self, test, err):
        self._save(test)
        super().addFailure(test, err)

    def addError(self, test, err):
        self._save(test)
        super().addError(test, err)

    def _save(self, test) -> None:
        if not self.artifacts:
            return
        try:
            s = wine_env.session()
            self.artifacts.mkdir(parents=True, exist_ok=True)
            name = re.sub(r"[^A-Za-z0-9_.-]+", "_", test.id())
            s.screenshot(self.artifacts / f"{name}.png")
            lines = [f"{hwnd:#x} visible={int(vis)} pid={pid} class={cls!r} caption={cap!r}"
                     for hwnd, cls, cap, vis, pid in s.probe.windows()]
            (self.artifacts / f"{name}.windows.txt").write_text("\n".join(lines) + "\n", encoding="utf-8")
        except Exception as e:  # a broken session must not hide the test's own failure
            print(f"could not save artifacts for {test.id()}: {e}", file=sys.stderr)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True, type=Path,
                        help="Windows (win64) build directory containing the built programs")
    parser.add_argument("-k", dest="patterns", action="append", default=[],
                        help="only run tests whose name contains this (may be repeated)")
    parser.add_argument("--failfast", action="store_true", help="stop at the first failure")
    parser.add_argument("--keep", action="store_true", help="keep the temporary directory (prefix, logs)")
    parser.add_argument("--artifacts", type=Path, default=HERE / "artifacts",
                        help="where screenshots of failures go (default: tests/e2e/artifacts)")
    parser.add_argument("--oneshot-probe", action="store_true",
                        help="start the probe for every call instead of keeping one running")
    parser.add_argument("-q", "--quiet", action="store_true")
    args = parser.parse_args()

    build_dir = args.build_dir.resolve()
    if not any(build_dir.rglob("tobrix-probe.exe")):
        print(f"run.py: no tobrix-probe.exe under {build_dir}; build the win64 configuration first",
              file=sys.stderr)
        return 2
    if args.oneshot_probe:
        os.environ["TOBRIX_PROBE_ONESHOT"] = "1"

    loader = unittest.TestLoader()
    if args.patterns:
        loader.testNamePatterns = [f"*{p}*" for p in args.patterns]
    suite = loader.discover(str(HERE), pattern="test_*.py", top_level_dir=str(HERE))
    if suite.countTestCases() == 0:
        print("run.py: no tests selected", file=sys.stderr)
        return 2

    # SIGTERM and SIGINT end the whole run, not just the current test (unittest reports SystemExit
    # as a test error and goes on; only KeyboardInterrupt passes through), and the with-block below
    # still takes the Wine session down. SIGINT may arrive ignored from a non-interactive shell.
    def interrupt(signum, _frame):
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        raise KeyboardInterrupt(signal.Signals(signum).name)

    signal.signal(signal.SIGTERM, interrupt)
    signal.signal(signal.SIGINT, interrupt)

    ArtifactResult.artifacts = args.artifacts
    log = None if args.quiet else sys.stderr
    try:
        with wine_env.WineSession(build_dir, keep=args.keep, log=log) as session:
            wine_env.set_session(session)
            try:
                runner = unittest.TextTestRunner(verbosity=1 if args.quiet else 2, failfast=args.failfast,
                                                 resultclass=ArtifactResult)
                result = runner.run(suite)
            finally:
                wine_env.set_session(None)
    except KeyboardInterrupt as e:
        print(f"run.py: interrupted ({e or 'SIGINT'})", file=sys.stderr)
        return 130
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
