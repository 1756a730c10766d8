# SPDX-License-Identifier: MIT
# Journeys that end before the main window: login outcomes and a missing board.
import time
import unittest

import harness as h
from e2e_case import E2ECase


class StartupJourneys(E2ECase):

    def assert_no_program_window_left(self):
        for title in (h.LOGIN_TITLE, h.CONNECTING_TITLE, h.MAIN_TITLE, h.PROBLEM_TITLE):
            self.assertEqual(self.desktop.windows(title), [], f"window '{title}' still shown")

    def test_wrong_password_shows_problem_box_then_ends(self):
        board = self.start_board()
        self.start_program()
        # Right letters, wrong case: the comparison is exact.
        login = self.enter_password("Pfau")
        box = self.desktop.wait_window(h.PROBLEM_TITLE)
        # The login window stays open behind its message.
        self.assertIn(login, self.desktop.windows(h.LOGIN_TITLE))
        self.assertTrue(self.program.running())
        self.answer_box()
        self.assert_exit_zero()
        self.assertNotIn(box, self.desktop.windows(h.PROBLEM_TITLE))
        self.assert_no_program_window_left()
        self.assertEqual(board.events("connect"), [], "a wrong password must not reach the board")

    def test_enter_key_submits_the_password(self):
        board = self.start_board()
        self.start_program()
        self.enter_password("pfau ", submit="key")
        self.answer_box()
        self.assert_exit_zero()
        self.assertEqual(board.events("connect"), [])

    def test_cancel_ends_without_a_message(self):
        board = self.start_board()
        self.start_program()
        login = self.login_window()
        self.desktop.click(login, h.LOGIN_FIELD)
        self.desktop.type_text("pfau")
        self.desktop.click(login, h.LOGIN_CANCEL)
        self.assert_exit_zero()
        self.assert_no_program_window_left()
        self.assertEqual(board.events("connect"), [])

    def test_close_box_of_login_ends_without_a_message(self):
        board = self.start_board()
        self.start_program()
        login = self.login_window()
        self.desktop.close_request(login)
        self.assert_exit_zero()
        self.assert_no_program_window_left()
        self.assertEqual(board.events("connect"), [])

    def test_no_board_listening_reports_board_not_found(self):
        # Nothing listens on the built-in port: the connection is refused.
        self.start_program()
        self.enter_password(h.PASSWORD)
        seen_connecting = False
        deadline = time.monotonic() + 20
        while not self.desktop.windows(h.PROBLEM_TITLE):
            if self.desktop.windows(h.CONNECTING_TITLE):
                seen_connecting = True
            self.assertLess(time.monotonic(), deadline, "no 'AVR-NET-IO: Problem' box")
            self.assertTrue(self.program.running(), "ended without a message")
            time.sleep(0.02)
        # The connection window is closed before the box shows.
        self.assertEqual(self.desktop.windows(h.CONNECTING_TITLE), [])
        self.answer_box()
        self.assert_exit_zero()
        self.assert_no_program_window_left()
        print(f"connection window caught on screen: {seen_connecting}")

    def test_board_that_never_accepts_shows_connection_window_until_time_out(self):
        # The listen queue is full: connect hangs until the program's own time-out.
        board = self.start_board("--backlog-full")
        self.start_program()
        self.enter_password(h.PASSWORD)
        started = time.monotonic()
        window = self.desktop.wait_window(h.CONNECTING_TITLE, timeout=10)
        self.assertEqual(self.desktop.client_geometry(window)[2:], (250, 90),
                         "connection window client size")
        self.desktop.screenshot(window, f"{self.workdir}/connecting.png")
        self.desktop.wait_window(h.PROBLEM_TITLE, timeout=30)
        waited = time.monotonic() - started
        self.assertEqual(self.desktop.windows(h.CONNECTING_TITLE), [])
        self.assertEqual(self.desktop.windows(h.MAIN_TITLE), [])
        self.answer_box()
        self.assert_exit_zero()
        self.assert_no_program_window_left()
        self.assertEqual(board.events("connect"), [], "the board never accepted")
        print(f"connection window to message: {waited:.1f} s")


if __name__ == "__main__":
    unittest.main(verbosity=2)
