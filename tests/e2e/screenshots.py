#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Takes the README's screenshots of the login dialog and the main window.
"""Usage: tests/e2e/screenshots.py [BUILD_DIR [OUT_DIR]]

Runs BUILD_DIR/app/tastomat (default build/e2e) on a private X display against
boardsim with known inputs (analog 512 and 1023, digital 1 and 0) and writes
login.png and main-window.png into OUT_DIR (default docs/). Only a loopback
build is run.
"""
import os
import re
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import harness as h  # noqa: E402


def cache_value(build_dir, name):
    with open(os.path.join(build_dir, "CMakeCache.txt")) as f:
        for line in f:
            match = re.match(rf"{name}:[A-Z]+=(.*)$", line.strip())
            if match:
                return match.group(1)
    raise SystemExit(f"{name} not in {build_dir}/CMakeCache.txt")


def main():
    root = os.path.dirname(os.path.dirname(HERE))
    build_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build/e2e"))
    out_dir = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, "docs"))
    address = cache_value(build_dir, "TASTOMAT_BOARD_ADDRESS")
    if not re.fullmatch(r"127\.\d+\.\d+\.\d+", address):
        raise SystemExit(f"{build_dir} is built for {address}; only a loopback build is run here")
    h.TASTOMAT = os.path.join(build_dir, "app/tastomat")
    h.BOARDSIM = os.path.join(build_dir, "sim/boardsim")
    h.BOARD_PORT = int(cache_value(build_dir, "TASTOMAT_BOARD_PORT"))
    os.makedirs(out_dir, exist_ok=True)

    work = tempfile.mkdtemp(prefix="tastomat-shots-")
    desktop = h.Desktop(work)
    board = h.Board(work, "--adc1", "512", "--adc2", "1023", "--port1", "1", "--port2", "0")
    program = h.Program(desktop, work)
    try:
        desktop.start()
        board.start()
        program.start()
        login = desktop.wait_window(h.LOGIN_TITLE, timeout=20)
        desktop.click(login, h.LOGIN_FIELD)
        desktop.type_text(h.PASSWORD)
        desktop.park_mouse()
        time.sleep(0.3)
        desktop.screenshot(login, os.path.join(out_dir, "login.png"), frame=True)
        desktop.click(login, h.LOGIN_OK)
        window = desktop.wait_window(h.MAIN_TITLE, timeout=20)
        board.wait_commands(4, timeout=10)
        desktop.park_mouse()
        time.sleep(0.5)
        desktop.screenshot(window, os.path.join(out_dir, "main-window.png"), frame=True)
        desktop.close_request(window)
        program.wait_exit(5)
    finally:
        program.stop()
        board.stop()
        desktop.stop()
    print(f"wrote {out_dir}/login.png and {out_dir}/main-window.png")


if __name__ == "__main__":
    main()
