#!/usr/bin/env python3
"""What the file tests of the Windows layer need from the host, which a Windows program under Wine
cannot make itself: a small file system that can be filled (a tmpfs, mounted only when run as root)
and a symbolic link.

    stage.py setup DIR     DIR/small (the small file system), DIR/links/link.DAT -> target.DAT
    stage.py cleanup DIR   unmounts and removes DIR
"""

import os
import shutil
import subprocess
import sys
from pathlib import Path


def cleanup(stage: Path) -> None:
    small = stage / "small"
    if os.path.ismount(small):
        subprocess.run(["umount", "-l", str(small)], check=False)
    shutil.rmtree(stage, ignore_errors=True)


def setup(stage: Path) -> None:
    cleanup(stage)
    (stage / "links").mkdir(parents=True)
    os.symlink("target.DAT", stage / "links" / "link.DAT")
    (stage / "small").mkdir()
    if os.geteuid() == 0:
        # Few inodes as well, so that a test can also make a folder that takes no new file.
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k,nr_inodes=64", "tmpfs", str(stage / "small")],
                       check=False)


if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]](Path(sys.argv[2]).absolute())
