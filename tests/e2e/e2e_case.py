# SPDX-License-Identifier: MIT
# Base test case: one desktop per test class, a fresh board and program per test.
import os
import re
import time
import unittest

import harness as h


class E2ECase(unittest.TestCase):
    """Starts Xvfb + openbox once per class; each test gets its own workdir,
    boardsim (if asked for) and tastomat, and everything is ended afterwards."""

    desktop = None

    @classmethod
    def setUpClass(cls):
        for name, path in (("tastomat", h.TASTOMAT), ("boardsim", h.BOARDSIM)):
            if not path or not os.access(path, os.X_OK):
                raise unittest.SkipTest(f"{name} executable not given") if not path else \
                    h.HarnessError(f"{name} not found at {path}")
        if h.BOARD_PORT <= 0:
            raise h.HarnessError("TASTOMAT_BOARD_PORT is not set")
        cls.class_dir = h.make_workdir(cls.__name__)
        cls.desktop = h.Desktop(cls.class_dir)
        try:
            cls.desktop.start()
        except BaseException:
            cls.desktop.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.desktop is not None:
            cls.desktop.stop()

    def setUp(self):
        name = re.sub(r"[^A-Za-z0-9_.-]", "_", self._testMethodName)
        self.workdir = h.make_workdir(os.path.join(type(self).__name__, name))
        self.board = None
        self.program = None
        self.addCleanup(self._stop_all)
        self.desktop.park_mouse()

    def _stop_all(self):
        if self.program is not None:
            self.program.stop()
        if self.board is not None:
            self.board.stop()

    # --- steps shared by the journeys ---------------------------------------

    def start_board(self, *options):
        self.board = h.Board(self.workdir, *options)
        self.board.start()
        return self.board

    def start_program(self):
        self.program = h.Program(self.desktop, self.workdir)
        self.program.start()
        return self.program

    def login_window(self):
        window = self.desktop.wait_window(h.LOGIN_TITLE, timeout=20)
        self.assertEqual(self.desktop.client_geometry(window)[2:], (250, 70),
                         "login window client size")
        return window

    def enter_password(self, password, submit="click"):
        window = self.login_window()
        self.desktop.click(window, h.LOGIN_FIELD)
        self.desktop.type_text(password)
        if submit == "click":
            self.desktop.click(window, h.LOGIN_OK)
        else:
            self.desktop.key("Return")
        return window

    def log_in(self):
        """Logs in and waits for the main window and the first query."""
        self.enter_password(h.PASSWORD)
        window = self.desktop.wait_window(h.MAIN_TITLE, timeout=20)
        self.board.wait_commands(4, timeout=10)
        return window

    def answer_box(self, title=h.PROBLEM_TITLE):
        """Waits for a message box and presses Enter on it (its OK button)."""
        box = self.desktop.wait_window(title, timeout=20)
        self.desktop.xdotool("windowactivate", "--sync", box)
        self.desktop.key("Return")
        return box

    def assert_exit_zero(self, timeout=5):
        code = self.program.wait_exit(timeout)
        self.assertEqual(code, 0, f"exit code; output:\n{self.program.output()}")

    def set_minimum_press(self, window):
        """Focuses the slider by a click and moves it to its minimum (250 ms)."""
        self.desktop.click(window, h.SLIDER, dx=500)
        self.desktop.key("Home")

    def close_main(self, window, since=None, timeout=3):
        """Close request on the main window; it must end promptly with 0 after
        the board has seen the connection close."""
        start = time.monotonic()
        self.desktop.close_request(window)
        self.assert_exit_zero(timeout)
        closes = [t for t in self.board.events("close") if t >= start]
        self.assertTrue(closes, "the board saw no connection close after the close request")
        return start

    def commands_text(self, entries):
        return [c for _, c in entries]
