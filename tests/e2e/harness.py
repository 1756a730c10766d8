# SPDX-License-Identifier: MIT
# Drives the real tastomat from outside: Xvfb, openbox, boardsim, xdotool.
"""Test harness for the end-to-end tests.

Everything here talks to the program the way a person at the desktop does:
windows are found by their titles, controls are clicked at their on-screen
positions, text is typed as key presses. What reached the board is read from
boardsim's log, whose timestamps are CLOCK_MONOTONIC microseconds, the same
clock as time.monotonic() here.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

# Set by the CMake registration (tests/e2e/CMakeLists.txt).
TASTOMAT = os.environ.get("TASTOMAT_EXE", "")
BOARDSIM = os.environ.get("BOARDSIM_EXE", "")
BOARD_PORT = int(os.environ.get("TASTOMAT_BOARD_PORT", "0"))
ARTIFACTS = os.environ.get("TASTOMAT_E2E_ARTIFACTS", "")

LOGIN_TITLE = "AVR-NET-IO: Passwortabfrage"
CONNECTING_TITLE = "DEMO-Tastomat: Meldung"
MAIN_TITLE = "DEMO-Tastomat V1.4"
PROBLEM_TITLE = "AVR-NET-IO: Problem"
PASSWORD = "pfau"

# Client-area geometry (x, y, w, h) of the controls the tests touch.
LOGIN_FIELD = (10, 10, 230, 20)
LOGIN_OK = (50, 40, 60, 20)
LOGIN_CANCEL = (140, 40, 60, 20)


def device_button(control_id):
    """Geometry of a device button 47..78 (EIN/AUS of Device 01..16)."""
    index = control_id - 47
    block, rest = divmod(index, 8)        # remote control 1..4 -> block 0..3
    column, channel = divmod(rest, 4)     # 0 = EIN, 1 = AUS
    frame_x = 10 if block % 2 == 0 else 300
    frame_y = 10 if block < 2 else 130
    x = frame_x + (120 if column == 0 else 200)
    y = frame_y + 20 + 20 * channel
    return (x, y, 70, 20)


GROUP_BUTTONS = {
    79: (10, 390), 80: (10, 410), 81: (10, 430), 82: (10, 450),
    83: (380, 390), 84: (380, 410), 85: (380, 430), 86: (380, 450),
    87: (10, 480), 88: (380, 480),
}


def group_button(control_id):
    x, y = GROUP_BUTTONS[control_id]
    return (x, y, 200, 20)


SLIDER = (40, 365, 510, 20)
QUERY_BUTTON = (230, 270, 130, 20)
AUTO_QUERY_CHECK = (230, 310, 130, 20)
INTERVAL_SPIN = (250, 330, 57, 20)
ANALOG_VALUE = {1: (121, 270, 40, 20), 2: (121, 290, 40, 20)}
DIGITAL_STATE = {1: (480, 270, 90, 20), 2: (480, 290, 90, 20)}
PRESS_DURATION_TEXT = (280, 380, 30, 20)


class HarnessError(AssertionError):
    pass


def wait_for(predicate, timeout, interval=0.05, what="condition"):
    """Polls predicate until it returns something truthy; bounded."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


def stop_group(proc, grace=2.0):
    """Ends a process started with start_new_session, with its whole group."""
    if proc is None:
        return
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            pass
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    try:
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        pass


def _die_with_parent():
    # If the test runner is killed (a ctest time-out), what it started goes too.
    import ctypes
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def spawn(args, env=None, output=None):
    """Starts a process in its own group; output (a path) takes stdout and stderr."""
    sink = open(output, "wb") if output else subprocess.DEVNULL
    try:
        return subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=sink,
                                stderr=subprocess.STDOUT, start_new_session=True,
                                preexec_fn=_die_with_parent)
    finally:
        if output:
            sink.close()


class Desktop:
    """A private X display (Xvfb) with openbox as window manager."""

    def __init__(self, workdir):
        self.workdir = workdir
        self.xvfb = None
        self.wm = None
        self.display = None

    def start(self):
        read_fd, write_fd = os.pipe()
        xvfb_log = open(os.path.join(self.workdir, "xvfb.log"), "wb")
        try:
            # -displayfd picks a free display number and reports it.
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                 "-nolisten", "tcp", "-noreset"],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=xvfb_log,
                pass_fds=(write_fd,), start_new_session=True, preexec_fn=_die_with_parent)
            os.close(write_fd)
            write_fd = -1
            number = self._read_display_number(read_fd)
        finally:
            if write_fd >= 0:
                os.close(write_fd)
            os.close(read_fd)
            xvfb_log.close()
        self.display = f":{number}"
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.wm = spawn(["openbox", "--sm-disable"], env=self.env,
                        output=os.path.join(self.workdir, "openbox.log"))
        wait_for(lambda: self._run_ok(["wmctrl", "-m"]), 15, what="openbox to manage the display")

    def _read_display_number(self, fd):
        import select
        text = b""
        deadline = time.monotonic() + 15
        while not text.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or self.xvfb.poll() is not None:
                raise HarnessError("Xvfb did not start")
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 64)
                if not chunk:
                    raise HarnessError("Xvfb closed its display pipe")
                text += chunk
        return int(text.strip())

    def _run_ok(self, args):
        try:
            return subprocess.run(args, env=self.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=5).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def stop(self):
        stop_group(self.wm)
        stop_group(self.xvfb)

    # --- X queries and input -------------------------------------------------

    def run(self, args, timeout=10):
        result = subprocess.run(args, env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, timeout=timeout)
        return result

    def xdotool(self, *args):
        result = self.run(["xdotool", *[str(a) for a in args]])
        if result.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(map(str, args))} failed: "
                               f"{result.stderr.decode(errors='replace')}")
        return result.stdout.decode()

    def windows(self, title):
        """Visible windows whose title is exactly title."""
        pattern = "^" + re.escape(title) + "$"
        result = self.run(["xdotool", "search", "--onlyvisible", "--name", pattern])
        return [int(w) for w in result.stdout.split()]

    def window(self, title):
        found = self.windows(title)
        return found[0] if found else None

    def wait_window(self, title, timeout=15):
        return wait_for(lambda: self.window(title), timeout, what=f"window '{title}'")

    def wait_no_window(self, title, timeout=10):
        wait_for(lambda: not self.windows(title), timeout, what=f"window '{title}' to go")

    def client_geometry(self, window):
        """(x, y, w, h) of a window's client area on the screen."""
        text = self.run(["xwininfo", "-id", str(window)]).stdout.decode()
        def field(name):
            match = re.search(name + r":\s+(-?\d+)", text)
            if not match:
                raise HarnessError(f"xwininfo gave no {name} for {window}:\n{text}")
            return int(match.group(1))
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
                field("Width"), field("Height"))

    def click(self, window, rect, dx=None, dy=None, origin=None):
        """Clicks a control given by its client-area rectangle (centre by default).
        origin: the window's client origin, when the caller has it already."""
        wx, wy = origin or self.client_geometry(window)[:2]
        x, y, w, h = rect
        px = wx + x + (w // 2 if dx is None else dx)
        py = wy + y + (h // 2 if dy is None else dy)
        # One xdotool call: the X server keeps the motion before the press.
        self.xdotool("mousemove", px, py, "click", "1")

    def move_mouse(self, x, y):
        # "mousemove --sync" waits for motion, so it would hang on the spot
        # the pointer is already at.
        here = self.xdotool("getmouselocation", "--shell")
        if f"X={x}\n" in here and f"Y={y}\n" in here:
            return
        self.xdotool("mousemove", "--sync", x, y)

    def park_mouse(self):
        self.move_mouse(1010, 750)

    def key(self, *keys):
        self.xdotool("key", "--delay", "30", *keys)

    def type_text(self, text):
        self.xdotool("type", "--delay", "40", text)

    def close_request(self, window):
        """Asks the window manager to close the window (as its close box does)."""
        result = self.run(["wmctrl", "-i", "-c", hex(window)])
        if result.returncode != 0:
            raise HarnessError("wmctrl -c failed")

    def screenshot(self, window, path, frame=False):
        """Saves the window's client area, or with frame=True also the
        window manager's frame around it (title bar)."""
        args = ["import", "-window", str(window)] + (["-frame"] if frame else []) + [path]
        result = self.run(args, timeout=20)
        if result.returncode != 0:
            raise HarnessError(f"import failed: {result.stderr.decode(errors='replace')}")
        return path

    def grab(self, window):
        """The window's pixels as an Image (import writes PPM to stdout)."""
        result = self.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], timeout=20)
        if result.returncode != 0:
            raise HarnessError(f"import failed: {result.stderr.decode(errors='replace')}")
        return Image.from_ppm(result.stdout)


class Image:
    """An RGB picture; enough of PPM (P6, maxval 255) to look at pixels."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels

    @staticmethod
    def from_ppm(data):
        fields = []
        pos = 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos) + 1
                continue
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        pos += 1
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise HarnessError("unexpected PPM from import")
        width, height = int(fields[1]), int(fields[2])
        return Image(width, height, data[pos:pos + width * height * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def crop(self, rect):
        x, y, w, h = rect
        rows = [self.pixels[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3]
                for r in range(h)]
        return Image(w, h, b"".join(rows))

    def count(self, predicate):
        n = 0
        for i in range(0, len(self.pixels), 3):
            if predicate(self.pixels[i], self.pixels[i + 1], self.pixels[i + 2]):
                n += 1
        return n


def is_blue(r, g, b):
    return b >= 200 and r <= 60 and g <= 60


def is_red(r, g, b):
    return r >= 200 and g <= 60 and b <= 60


class Board:
    """boardsim on the built-in port, with a log and a control file."""

    def __init__(self, workdir, *options):
        self.workdir = workdir
        self.log_path = os.path.join(workdir, "boardsim.log")
        self.control_path = os.path.join(workdir, "boardsim.control")
        self.options = list(options)
        self.proc = None

    def start(self):
        open(self.control_path, "w").close()
        self.proc = spawn([BOARDSIM, "--port", str(BOARD_PORT), "--log", self.log_path,
                           "--control", self.control_path, "--max-seconds", "300",
                           *self.options],
                          output=os.path.join(self.workdir, "boardsim.out"))
        wait_for(lambda: self.proc.poll() is not None or
                 any(t.startswith("#listen") for _, t in self.entries()),
                 10, what="boardsim to listen")
        if self.proc.poll() is not None:
            raise HarnessError(f"boardsim ended at start: {self.output()}")

    def output(self):
        try:
            with open(os.path.join(self.workdir, "boardsim.out"), "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def stop(self):
        stop_group(self.proc)

    def entries(self):
        """[(seconds, text)] of every log line so far."""
        try:
            with open(self.log_path, "rb") as f:
                lines = f.read().decode(errors="replace").splitlines()
        except FileNotFoundError:
            return []
        out = []
        for line in lines:
            stamp, _, text = line.partition(" ")
            if stamp.isdigit():
                out.append((int(stamp) / 1e6, text))
        return out

    def commands(self, since=0.0):
        """[(seconds, command)] of the commands (not '#' events) logged after since."""
        return [(t, c) for t, c in self.entries() if not c.startswith("#") and t >= since]

    def events(self, name):
        return [t for t, c in self.entries() if c.split(" ")[0] == "#" + name]

    def wait_commands(self, count, since=0.0, timeout=15):
        return wait_for(lambda: len(self.commands(since)) >= count and self.commands(since),
                        timeout, what=f"{count} commands at the board")

    def set(self, **values):
        with open(self.control_path, "a") as f:
            for key, value in values.items():
                f.write(f"{key}={value}\n")


class Program:
    """The real tastomat on the desktop."""

    def __init__(self, desktop, workdir):
        self.desktop = desktop
        self.workdir = workdir
        self.proc = None

    def start(self):
        runtime = tempfile.mkdtemp(prefix="xdg-", dir=self.workdir)
        os.chmod(runtime, 0o700)
        env = dict(self.desktop.env, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
        for key in ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                    "QT_FONT_DPI", "QT_STYLE_OVERRIDE", "QT_QPA_PLATFORMTHEME"):
            env.pop(key, None)
        self.out_path = os.path.join(self.workdir, "tastomat.out")
        self.proc = spawn([TASTOMAT], env=env, output=self.out_path)

    def output(self):
        try:
            with open(self.out_path, "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"tastomat still running after {timeout:.1f} s")

    def stop(self):
        stop_group(self.proc)


def keep_dir():
    return os.environ.get("TASTOMAT_E2E_KEEP", "") not in ("", "0")


def make_workdir(name):
    base = ARTIFACTS or tempfile.gettempdir()
    os.makedirs(base, exist_ok=True)
    path = os.path.join(base, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path
