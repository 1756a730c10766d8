# SPDX-License-Identifier: MIT
# Journeys in the main window: what reaches the board, when, and the way out.
import time
import unittest

import harness as h
from e2e_case import E2ECase

QUERY = ["GETADC 1", "GETADC 2", "GETPORT 1", "GETPORT 2"]

# Key presses of the single-key buttons as (output 7 level, row output, channel output).
KEYS = {47: (0, 1, 3), 48: (0, 1, 4), 49: (0, 1, 5), 50: (0, 1, 6),
        51: (0, 2, 3), 52: (0, 2, 4), 53: (0, 2, 5), 54: (0, 2, 6),
        55: (1, 1, 3), 56: (1, 1, 4), 57: (1, 1, 5), 58: (1, 1, 6),
        59: (1, 2, 3), 60: (1, 2, 4), 61: (1, 2, 5), 62: (1, 2, 6)}

MIN_PRESS_MS = 250
HALF_MS = MIN_PRESS_MS // 2


def press_commands(control_id):
    level7, row, channel = KEYS[control_id]
    return [f"setport 7.{level7}", "setport 8.0", f"setport {row}.1", f"setport {channel}.1",
            f"setport {channel}.0", f"setport {row}.0", "setport 7.0", "setport 8.0"]


# Pause after each of the eight commands of one press at the minimum duration.
PRESS_PAUSES_MS = [HALF_MS, HALF_MS, HALF_MS, MIN_PRESS_MS, HALF_MS, HALF_MS, HALF_MS]


class PanelJourneys(E2ECase):

    def open_panel(self, *board_options):
        self.start_board("--adc1", "512", "--adc2", "1023", "--port1", "1", "--port2", "0",
                         *board_options)
        self.start_program()
        window = self.log_in()
        self.assertEqual(self.desktop.client_geometry(window)[2:], (590, 510),
                         "main window client size")
        return window

    def test_main_window_is_centred_and_keeps_its_size(self):
        window = self.open_panel()
        x, y, w, h_ = self.desktop.client_geometry(window)
        # 1024 x 768 screen; the title bar may push the window down a little.
        self.assertLessEqual(abs(x - (1024 - w) // 2), 2, "centred horizontally")
        self.assertLessEqual(abs(y - (768 - h_) // 2), 25, "centred vertically")
        self.desktop.run(["wmctrl", "-i", "-r", hex(window), "-b",
                          "add,maximized_vert,maximized_horz"])
        self.settle(0.5)
        self.assertEqual(self.desktop.client_geometry(window)[2:], (590, 510),
                         "maximising must not change the size")
        self.close_main(window)

    def assert_gaps(self, entries, pauses_ms, start=0):
        """Time from each command to the next is its pause plus the board's
        round trip: at least the pause, and not much more."""
        for i, pause in enumerate(pauses_ms):
            if pause is None:
                continue
            a, b = entries[start + i], entries[start + i + 1]
            gap_ms = (b[0] - a[0]) * 1000
            self.assertGreaterEqual(gap_ms, pause - 1, f"gap after '{a[1]}' (#{start + i})")
            self.assertLessEqual(gap_ms, pause + 60, f"gap after '{a[1]}' (#{start + i})")

    def settle(self, seconds=1.2):
        """Lets a little time pass, so anything the program would still send arrives."""
        time.sleep(seconds)

    def test_first_query_and_close_box(self):
        window = self.open_panel()
        self.settle()
        self.assertEqual(self.commands_text(self.board.commands()), QUERY,
                         "start-up sends the four queries and no setport")
        shot = self.desktop.grab(window)
        self.desktop.screenshot(window, f"{h.ARTIFACTS or self.workdir}/main-window.png")
        # 2,50 and 4,99 in blue; OFFEN blue, GESCHLOSSEN red.
        for row in (1, 2):
            self.assertGreater(shot.crop(h.ANALOG_VALUE[row]).count(h.is_blue), 10,
                               f"analog value {row} not blue")
        self.assertGreater(shot.crop(h.DIGITAL_STATE[1]).count(h.is_blue), 10, "OFFEN not blue")
        self.assertGreater(shot.crop(h.DIGITAL_STATE[2]).count(h.is_red), 10,
                           "GESCHLOSSEN not red")
        close_asked = self.close_main(window)
        exit_time = time.monotonic()
        self.assertLess(exit_time - close_asked, 2.5)
        self.assertEqual(self.commands_text(self.board.commands()), QUERY,
                         "closing sends nothing")

    def test_device_06_on_at_minimum_duration(self):
        window = self.open_panel()
        self.set_minimum_press(window)
        self.settle(0.5)
        since = time.monotonic()
        self.desktop.click(window, h.device_button(56))
        entries = self.board.wait_commands(12, since=since, timeout=10)
        self.settle()
        entries = self.board.commands(since)
        self.assertEqual(self.commands_text(entries), press_commands(56) + QUERY)
        self.assert_gaps(entries, PRESS_PAUSES_MS)
        self.assertIn("#device Device 06: EIN", [c for _, c in self.board.entries()])
        self.close_main(window)

    def test_group_button_presses_four_devices_then_queries(self):
        window = self.open_panel()
        self.set_minimum_press(window)
        self.settle(0.5)
        since = time.monotonic()
        self.desktop.click(window, h.group_button(79))
        self.board.wait_commands(36, since=since, timeout=15)
        self.settle()
        entries = self.board.commands(since)
        expected = []
        for control_id in (47, 48, 49, 50):
            expected += press_commands(control_id)
        self.assertEqual(self.commands_text(entries), expected + QUERY)
        # Every press has its own pauses, and half a press follows each one.
        self.assert_gaps(entries, (PRESS_PAUSES_MS + [HALF_MS]) * 4)
        devices = [c for _, c in self.board.entries() if c.startswith("#device")]
        self.assertEqual(devices, [f"#device Device 0{n}: EIN" for n in (1, 2, 3, 4)])
        self.close_main(window)

    def test_query_button_and_buttons_without_action(self):
        window = self.open_panel()
        since = time.monotonic()
        # Device 09 and remote control 3's group button have no action; the
        # query button's four commands are all that follow.
        self.desktop.click(window, h.device_button(63))
        self.desktop.click(window, h.group_button(81))
        self.desktop.click(window, h.QUERY_BUTTON)
        self.board.wait_commands(4, since=since, timeout=10)
        self.settle()
        self.assertEqual(self.commands_text(self.board.commands(since)), QUERY)
        # Alt+F4, the desktop's close key, ends it like the close box.
        self.desktop.xdotool("windowactivate", "--sync", window)
        started = time.monotonic()
        self.desktop.key("alt+F4")
        self.assert_exit_zero(3)
        self.assertTrue([t for t in self.board.events("close") if t >= started])

    def test_auto_query_every_second(self):
        window = self.open_panel()
        self.desktop.click(window, h.AUTO_QUERY_CHECK)
        # The spin box is enabled in the pass after the tick; then type 1.
        self.settle(0.5)
        self.desktop.click(window, h.INTERVAL_SPIN, dx=20)
        self.desktop.key("ctrl+a")
        self.desktop.type_text("1")
        since = time.monotonic()
        self.settle(3.5)
        entries = self.board.commands(since)
        texts = self.commands_text(entries)
        queries = len(entries) // 4
        self.assertEqual(texts, QUERY * queries, "only whole queries")
        self.assertGreaterEqual(queries, 2, "about one query a second")
        self.assertLessEqual(queries, 5, "about one query a second")
        print(f"queries in 3.5 s at interval 1: {queries}")
        self.close_main(window)

    def test_click_during_a_press_is_acted_on_afterwards(self):
        window = self.open_panel()
        origin = self.desktop.client_geometry(window)[:2]
        self.set_minimum_press(window)
        self.settle(0.5)
        since = time.monotonic()
        self.desktop.click(window, h.device_button(56), origin=origin)
        self.board.wait_commands(1, since=since, timeout=10)
        # While 56 presses: a click on Device 01 EIN waits its turn; a second
        # click on 56 hits a disabled button and is lost.
        self.desktop.click(window, h.device_button(47), origin=origin)
        self.desktop.click(window, h.device_button(56), origin=origin)
        clicked = time.monotonic()
        self.board.wait_commands(24, since=since, timeout=15)
        self.settle(1.5)
        entries = self.board.commands(since)
        first_press = [t for t, c in entries[:8]]
        self.assertLess(clicked, first_press[-1], "the clicks came after the first press")
        self.assertEqual(self.commands_text(entries),
                         press_commands(56) + QUERY + press_commands(47) + QUERY)
        self.assert_gaps(entries, PRESS_PAUSES_MS, start=12)
        self.close_main(window)

    def test_board_reset_during_group_action(self):
        # The 16th command is the first query's 4 plus 12 setports: the board
        # resets the connection in the middle of Device 02's press.
        window = self.open_panel("--reset-after", "16")
        self.set_minimum_press(window)
        self.settle(0.5)
        since = time.monotonic()
        self.desktop.click(window, h.group_button(79))
        entries = self.board.wait_commands(12, since=since, timeout=10)
        start = entries[0][0]
        wait_for_reset = h.wait_for(lambda: self.board.events("hangup"), 10, what="the reset")
        self.assertTrue(wait_for_reset)

        # The pauses go on without a board: Device 03's button is greyed while
        # its press runs (2.25 s to 3.25 s after the start), the others are not.
        # Seeing that in a screenshot shows the window still paints.
        device = {n: h.device_button(n) for n in (47, 48, 49, 50)}
        def greyed_third():
            if time.monotonic() > start + 3.15:
                return "late"
            shot = self.desktop.grab(window)
            crops = {n: shot.crop(r).pixels for n, r in device.items()}
            if crops[49] != crops[50] and crops[47] == crops[50] and crops[48] == crops[50]:
                return "seen"
            return None
        h.wait_for(lambda: time.monotonic() >= start + 2.35, 5)
        self.assertEqual(h.wait_for(greyed_third, 5, interval=0.02), "seen",
                         "Device 03's button was not seen greyed during its press")

        # A close request during the action is taken after it: four presses of
        # 1 s and four half-press pauses end 4.5 s after the start.
        self.desktop.close_request(window)
        code = self.program.wait_exit(10)
        ended = time.monotonic()
        self.assertEqual(code, 0)
        self.assertGreaterEqual(ended - start, 4.5 - 0.05, "ended before the action was done")
        self.assertLess(ended - start, 4.5 + 2.0, "close request not answered promptly")
        self.assertEqual(len(self.board.commands(since)), 12,
                         "nothing arrives after the reset")


if __name__ == "__main__":
    unittest.main(verbosity=2)
