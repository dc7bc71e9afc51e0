"""What every end-to-end test of the launcher needs: a private X server, the real launcher from
the demo bundle with a private home and configuration folder, xdotool to drive it, screenshots,
and a clean-up that leaves no process behind on any way out.

A test script calls main(function, time_limit); the function receives a Session. Every
process the session starts carries a marker in its environment (the launcher hands its
environment on to the game, and the game to its helper), so the clean-up finds exactly the
processes of this test, even when other tests run the same bundle at the same time.
"""

import argparse
import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import uuid

import png_pixels

SKIPPED = 77  # CTest's SKIP_RETURN_CODE for these tests
MARKER = "GW_E2E_RUN"
AGREEMENT_TITLE = "^License Agreement$"
PLUGIN_LOADED = "Pellucid.dylib\", RTLD_NOW): Successful"
GAME_CLASS = "^demo-game$"
# Printed when the view object is destroyed, the last step of the launcher's teardown.
TEARDOWN_LINE = "GWViewHandler::kEventHIObjectDestruct "
SCREEN = "1024x768x24"
# Generous: the machine may be busy with other builds and tests.
WAIT = 20.0
POLL_INTERVAL = 0.05
# Between giving a window the focus and typing into it.
FOCUS_SETTLE = 0.2
# Waits longer than this are reported, to show where the time of a slow run goes.
SLOW_WAIT = 2.0
# The start page's buttons in window coordinates: their 122-pixel slots start at x 452 (Play
# Game) and 577 (Other Games), y 465 (the demo's button row); the pictures are 36 pixels high.
PLAY_X, OTHER_X, BUTTON_Y = 452 + 61, 577 + 61, 465 + 18
# A place on the start page away from every button.
AWAY_X, AWAY_Y = 10, 10


class TestFailure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def poll(what, predicate, timeout=WAIT, interval=POLL_INTERVAL):
    """Calls predicate until it returns something true, and returns that; fails after timeout."""
    started = time.monotonic()
    deadline = started + timeout
    while True:
        value = predicate()
        if value:
            waited = time.monotonic() - started
            if waited > SLOW_WAIT:
                print(f"(waited {waited:.1f} s for {what})")
            return value
        if time.monotonic() >= deadline:
            raise TestFailure(f"{what}: not within {timeout:g} s")
        time.sleep(interval)


def _die_with_parent():
    # Should the test itself be killed, its X server and launcher go with it. (The game runs in
    # a session of its own; the marker finds it.)
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def _marked_pids(marker):
    needle = f"{MARKER}={marker}".encode() + b"\0"
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as handle:
                if needle in handle.read() + b"\0":
                    pids.append(int(entry))
        except OSError:
            continue  # gone, or not ours to read
    return pids


def _end(process):
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def _describe(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as handle:
            program = handle.read().split(b"\0")[0].decode(errors="replace")
        return f"{pid} ({program})"
    except OSError:
        return str(pid)


def is_alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as handle:
            # A zombie has ended; only its parent's wait is missing.
            return handle.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


class Launcher:
    """One run of the launcher; its standard output and error go to files in the artifacts."""

    def __init__(self, session, name, extra_env, program=None, prefix=()):
        self.session = session
        self.name = name
        self.stdout_path = os.path.join(session.artifacts, f"{name}.stdout")
        self.stderr_path = os.path.join(session.artifacts, f"{name}.stderr")
        env = dict(session.env)
        env.update(extra_env)
        # A program name without a '/' is looked up on the PATH of env, as a shell would.
        command = [program or session.launcher_path]
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([*prefix, *command], env=env, stdout=out,
                                            stderr=err, stdin=subprocess.DEVNULL,
                                            preexec_fn=_die_with_parent)
        self.pid = self.process.pid

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=WAIT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"the launcher ({self.name}) did not end within {timeout:g} s")

    def wait_quit(self, how, timeout=WAIT):
        """Waits for the launcher to end after it was asked to quit; it must end with status 0."""
        status = self.wait_exit(timeout)
        if status != 0:
            with open(self.stderr_path, errors="replace") as handle:
                errors = handle.read().strip()
            raise TestFailure(f"after {how}, the launcher ended with status {status}, not 0"
                              + (f": {errors[-300:]}" if errors else ""))

    def stdout(self):
        with open(self.stdout_path, errors="replace") as handle:
            return handle.read()

    def windows(self, title=None, visible=True):
        criteria = ["--pid", str(self.pid)]
        if title:
            # xdotool joins its criteria with "or" unless told otherwise.
            criteria = ["--all"] + criteria + ["--name", title]
        return self.session.windows(*criteria, visible=visible)

    def agreement_windows(self):
        return self.windows(AGREEMENT_TITLE)

    def main_windows(self, visible=True):
        """The launcher's windows other than the agreement: its main window."""
        agreement = self.windows(AGREEMENT_TITLE, visible=False)
        return [window for window in self.windows(visible=visible) if window not in agreement]

    def wait_for(self, find, what, timeout=WAIT):
        """Polls find() until it returns windows and returns the first; fails early when the
        launcher has ended."""
        def shown():
            if not self.running():
                raise TestFailure(f"the launcher ended with status {self.process.returncode} "
                                  f"while waiting for {what}")
            return find()

        return poll(f"{what} shown", shown, timeout)[0]

    def wait_main_window(self, what="the start page", timeout=WAIT):
        return self.wait_for(self.main_windows, what, timeout)

    def wait_agreement(self, timeout=WAIT):
        return self.wait_for(self.agreement_windows, "the agreement window", timeout)

    def check_torn_down_once(self, how):
        """The teardown line printed once, the plug-in loaded once and no line printed twice."""
        lines = self.stdout().splitlines()
        check(lines.count(TEARDOWN_LINE) == 1,
              f"after {how}, the teardown line was printed {lines.count(TEARDOWN_LINE)} times")
        check(sum(PLUGIN_LOADED in line for line in lines) == 1,
              f"after {how}, the plug-in was not loaded exactly once")
        repeated = sorted({line for line in lines if lines.count(line) > 1})
        check(not repeated, f"after {how}, lines printed more than once: {repeated}")


class Session:
    def __init__(self, options, name):
        self.options = options
        self.name = name
        self.bundle = os.path.realpath(options.bundle)
        self.launcher_path = os.path.join(self.bundle, "Contents", "MacOS", "GameWrapper")
        self.screenshot_tool = options.screenshot
        self.artifacts = options.artifacts
        self.marker = uuid.uuid4().hex
        self.launchers = []
        self.xvfb = None
        self.window_manager = None
        self.shots = 0
        self.private = tempfile.mkdtemp(prefix="gw-e2e-")
        self.home = os.path.join(self.private, "home")
        self.config = os.path.join(self.private, "config")
        for folder in (self.home, self.config):
            os.makedirs(folder)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        os.makedirs(self.artifacts)

    # --- the X server -------------------------------------------------------------------------

    def start_x_server(self):
        # -displayfd lets the server pick a free display and say which, so tests running at the
        # same time never race for a number.
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.artifacts, "xvfb.log"), "wb")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log,
            preexec_fn=_die_with_parent)
        os.close(write_end)
        log.close()
        answer = b""
        deadline = time.monotonic() + WAIT
        while not answer.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([read_end], [], [], remaining)[0]:
                os.close(read_end)
                raise TestFailure("the X server did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                os.close(read_end)
                raise TestFailure("the X server ended at start-up (see xvfb.log)")
            answer += chunk
        os.close(read_end)
        display = f":{answer.decode().strip()}"
        self.x_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "DISPLAY": display,
                      "HOME": self.home}
        self.env = {key: value for key, value in os.environ.items()
                    if key not in ("WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XAUTHORITY",
                                   "DEMO_GAME_TOUR_SECONDS", "MACPLATFORM_DISPLAY")}
        self.env.update(DISPLAY=display, HOME=self.home, XDG_CONFIG_HOME=self.config,
                        XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        self.env[MARKER] = self.marker

    def start_window_manager(self):
        """Runs openbox on the private display, as a desktop would, and waits until it manages
        windows: closing through the title bar, names, icons and the active window then work
        as they do for a player."""
        log = open(os.path.join(self.artifacts, "openbox.log"), "wb")
        self.window_manager = subprocess.Popen(
            ["openbox", "--sm-disable"], env=dict(self.x_env, XDG_CONFIG_HOME=self.config),
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, preexec_fn=_die_with_parent)
        log.close()

        def managing():
            if self.window_manager.poll() is not None:
                raise TestFailure("openbox ended at start-up (see openbox.log)")
            return self.wmctrl("-m", check_status=False).returncode == 0

        poll("the window manager running", managing)

    def run_x_tool(self, *command, check_status=True):
        """Runs a tool (xdotool, wmctrl, xprop, the screenshot tool) on the private display;
        fails the test when it hangs or, with check_status, when it fails."""
        try:
            result = subprocess.run(command, env=self.x_env, capture_output=True, text=True,
                                    timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"{' '.join(command)} hung")
        if check_status and result.returncode != 0:
            raise TestFailure(f"{' '.join(command)} failed: {result.stderr.strip()}")
        return result

    def wmctrl(self, *args, check_status=True):
        return self.run_x_tool("wmctrl", *args, check_status=check_status)

    def close_with_window_manager(self, window):
        """What the close button of the window's title bar does."""
        self.wmctrl("-i", "-c", str(window))

    def window_property(self, window, name):
        """xprop's value of the window's property (the text after '=' or ':'), or None."""
        result = self.run_x_tool("xprop", "-id", str(window), name, check_status=False)
        line = result.stdout.strip()
        if result.returncode != 0 or "not found" in line or "no such atom" in line:
            return None
        for separator in (" = ", ":"):
            if separator in line:
                return line.split(separator, 1)[1].strip()
        return None

    # --- processes ----------------------------------------------------------------------------

    def use_private_bundle(self):
        """Runs the launcher from a copy of the bundle in the test's private folder. Opening an
        application that already runs brings that copy forward instead of starting another, so
        tests that play the game, and anything else playing the build's demo bundle at the same
        time, would otherwise share one game."""
        copy = os.path.join(self.private, os.path.basename(self.bundle))
        shutil.copytree(self.bundle, copy, symlinks=True)
        self.bundle = copy
        self.launcher_path = os.path.join(copy, "Contents", "MacOS", "GameWrapper")

    def start_launcher(self, program=None, prefix=(), **extra_env):
        """Starts the launcher: the bundle's executable, or program (a link to it, or a name
        on the PATH given in extra_env), behind the prefix command (valgrind ...) when one is
        given."""
        launcher = Launcher(self, f"launcher-{len(self.launchers) + 1}", extra_env, program,
                            prefix)
        self.launchers.append(launcher)
        return launcher

    def start_at_start_page(self, prefix=(), timeout=WAIT, **extra_env):
        """Starts the launcher and brings it to its start page, agreeing to the licence with
        Return when it is asked for; returns the launcher and its main window."""
        launcher = self.start_launcher(None, prefix, **extra_env)
        launcher.wait_for(lambda: launcher.agreement_windows() or launcher.main_windows(),
                          "the agreement or the start page", timeout)
        agreement = launcher.agreement_windows()
        if agreement:
            self.press(agreement[0], "Return")
        return launcher, launcher.wait_main_window(timeout=timeout)

    def settled_screenshot(self, name, window, timeout=WAIT):
        """A screenshot taken once the window shows the same picture twice in a row, 0.1 s
        apart: the launcher redraws lazily, so a window just shown may not be drawn yet."""
        scratch = [os.path.join(self.artifacts, f"settling-{name}-{i}.png") for i in (0, 1)]
        self._capture(scratch[0], window)

        def settled():
            self._capture(scratch[1], window)
            if self.same_pictures(scratch[0], scratch[1]):
                return True
            os.replace(scratch[1], scratch[0])
            return False

        poll(f"the picture of {name} settled", settled, timeout, interval=0.1)
        os.remove(scratch[0])
        path = self._next_shot_path(name)
        os.replace(scratch[1], path)
        return path

    def play_once(self, launcher, window, what, timeout=WAIT):
        """Clicks "Play Game" and waits for the game's window to come and go (the game ends by
        itself in tour mode), for the launcher back in the same window and for the game and
        its helper to be gone; then moves the pointer away from the buttons."""
        self.click(window, PLAY_X, BUTTON_Y)
        poll(f"{what}: the game's window", self.game_windows, timeout)
        poll(f"{what}: the game's window gone", lambda: not self.game_windows(), timeout)
        back = launcher.wait_main_window(f"{what}: the launcher back", timeout)
        check(back == window, f"{what}: the launcher came back in window {back}, not {window}")
        poll(f"{what}: the game and its helper ended", lambda: not self.game_pids(), timeout)
        self.move_mouse(window, AWAY_X, AWAY_Y)

    def game_pids(self):
        """The processes of this test that the launcher started: the game and its helper."""
        ours = {launcher.pid for launcher in self.launchers}
        return [pid for pid in _marked_pids(self.marker) if pid not in ours and is_alive(pid)]

    def describe(self, pids):
        return ", ".join(_describe(pid) for pid in pids)

    # --- X windows, input and pictures -------------------------------------------------------

    def xdotool(self, *args, check_status=True):
        return self.run_x_tool("xdotool", *args, check_status=check_status)

    def windows(self, *criteria, visible=True):
        """Ids of the windows that xdotool search finds with these criteria."""
        flags = ["--onlyvisible"] if visible else []
        result = self.xdotool("search", *flags, *criteria, check_status=False)
        return [int(line) for line in result.stdout.split()]

    def game_windows(self):
        return self.windows("--classname", GAME_CLASS)

    def click(self, window, x, y):
        self.xdotool("mousemove", "--window", str(window), str(x), str(y), "click", "1")

    def move_mouse(self, window, x, y):
        self.xdotool("mousemove", "--window", str(window), str(x), str(y))

    def focus(self, window):
        self.xdotool("windowfocus", str(window))
        poll("the keyboard focus on the window",
             lambda: self.xdotool("getwindowfocus").stdout.strip() == str(window), timeout=5)

    def press(self, window, keys):
        """Gives the window the keyboard and presses keys (xdotool's names, e.g. ctrl+q), as a
        person would: a moment after the window has the focus (quit_race_test.py types without
        waiting)."""
        self.focus(window)
        time.sleep(FOCUS_SETTLE)
        self.xdotool("key", "--clearmodifiers", keys)

    def _next_shot_path(self, name):
        self.shots += 1
        return os.path.join(self.artifacts, f"{self.shots:02d}-{name}.png")

    def _capture(self, path, window=None):
        self.run_x_tool(self.screenshot_tool, path, *([str(window)] if window else []))

    def screenshot(self, name, window=None):
        """Saves the window (or the whole screen) as NN-name.png in the artifacts; returns the
        path."""
        path = self._next_shot_path(name)
        self._capture(path, window)
        return path

    def wait_for_picture(self, what, name, window, wanted, timeout=WAIT):
        """Takes screenshots of the window until wanted(path) is true and keeps the last one,
        also when the wait fails, as NN-name.png; returns its path."""
        scratch = os.path.join(self.artifacts, f"polling-{name}.png")

        def taken():
            self._capture(scratch, window)
            return wanted(scratch)

        try:
            poll(what, taken, timeout, interval=0.1)
        finally:
            if os.path.exists(scratch):
                path = self._next_shot_path(name)
                os.replace(scratch, path)
        return path

    def same_pictures(self, first, second):
        return png_pixels.same_pixels(first, second)

    # --- the end ------------------------------------------------------------------------------

    def close(self):
        for launcher in self.launchers:
            _end(launcher.process)
        leftovers = self.game_pids()
        for pid in leftovers:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if leftovers:
            print(f"clean-up: killed what the launcher left running: {self.describe(leftovers)}")
        _end(self.window_manager)
        _end(self.xvfb)
        shutil.rmtree(self.private, ignore_errors=True)


def _options(test, arguments):
    parser = argparse.ArgumentParser(description=(test.__doc__ or "").split("\n")[0])
    parser.add_argument("--bundle", required=True, help="the demo bundle, Demo Game.app")
    parser.add_argument("--screenshot", required=True, help="the demo-screenshot tool")
    parser.add_argument("--artifacts", required=True,
                        help="folder for screenshots and the launcher's output")
    for flag, settings in arguments:
        parser.add_argument(flag, **settings)
    return parser.parse_args()


class _OutOfTime(BaseException):
    pass


def main(test, time_limit, private_bundle=False, window_manager=False, tools=(), arguments=()):
    """Runs test(session) under a private X server and exits with 0 when it passed, 1 when it
    failed, SKIPPED when the machine lacks Xvfb, xdotool or one of the other tools.
    With private_bundle, the launcher runs from a copy of the bundle (see
    Session.use_private_bundle); with window_manager, openbox manages the windows (wmctrl and
    xprop then look at them). A time limit of None sets none; arguments are (flag, argparse
    settings) pairs of the test's own options, found in session.options."""
    options = _options(test, arguments)
    tools = ["Xvfb", "xdotool", *tools] + (["openbox", "wmctrl", "xprop"] if window_manager
                                           else [])
    missing = [tool for tool in tools if not shutil.which(tool)]
    if missing:
        print(f"skipped: {' and '.join(missing)} not installed (scripts/install-deps)")
        sys.exit(SKIPPED)

    def out_of_time(*_):
        raise _OutOfTime()

    def stopped(number, _):
        raise SystemExit(f"stopped by signal {number}")

    # The test keeps its own time, below CTest's, so that its clean-up always runs.
    signal.signal(signal.SIGALRM, out_of_time)
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, stopped)
    session = Session(options, test.__name__)
    started = time.monotonic()
    status = 1
    try:
        signal.alarm(time_limit or 0)
        if private_bundle:
            session.use_private_bundle()
        session.start_x_server()
        if window_manager:
            session.start_window_manager()
        test(session)
        status = 0
    except (TestFailure, _OutOfTime) as failure:
        reason = f"ran out of its {time_limit} s" if isinstance(failure, _OutOfTime) else failure
        print(f"FAILED: {reason}")
        _report_failure(session)
    finally:
        signal.alarm(0)
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(number, signal.SIG_IGN)
        session.close()
    print(f"{'passed' if status == 0 else 'failed'} in {time.monotonic() - started:.1f} s "
          f"(screenshots and output in {session.artifacts})")
    sys.exit(status)


def _report_failure(session):
    try:
        if session.xvfb and session.xvfb.poll() is None:
            session.screenshot("failed")
    except TestFailure as failure:
        print(f"(no screenshot of the failure: {failure})")
    left = session.game_pids()
    if left:
        print(f"--- the launcher's games still running: {session.describe(left)}")
    for launcher in session.launchers:
        state = "running" if launcher.running() else f"ended, status {launcher.process.returncode}"
        print(f"--- {launcher.name}: {state}")
        for path in (launcher.stdout_path, launcher.stderr_path):
            with open(path, errors="replace") as handle:
                lines = handle.read().splitlines()[-15:]
            if lines:
                print(f"--- last lines of {os.path.basename(path)}:")
                print("\n".join(lines))
