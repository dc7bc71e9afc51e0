"""What every end-to-end test of the launcher needs: a private X server, the real launcher from
the demo bundle with a private home and configuration folder, xdotool to drive it, screenshots,
and a clean-up that leaves no process behind on any way out. Every process the session starts
carries a marker in its environment (the launcher hands its environment on to the game, and
the game to its helper), so the clean-up finds exactly the processes of this test, even when
other tests run the same bundle at the same time."""

import argparse
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import uuid

SKIPPED = 77  # CTest's SKIP_RETURN_CODE for these tests
MARKER = "GW_E2E_RUN"
AGREEMENT_TITLE = "^License Agreement$"
PLUGIN_LOADED = "Pellucid.dylib\", RTLD_NOW): Successful"
# Printed when the view object is destroyed, the last step of the launcher's teardown.
TEARDOWN_LINE = "GWViewHandler::kEventHIObjectDestruct "
SCREEN = "1024x768x24"
# Generous: the machine may be busy with other builds and tests.
WAIT = 20.0
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


def poll(what, predicate, timeout=WAIT, interval=0.05):
    """Calls predicate until it returns something true, and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() >= deadline:
            raise TestFailure(f"{what}: not within {timeout:g} s")
        time.sleep(interval)
    return value


def pixels(path):
    """A screenshot's picture in RGB, by Pillow (imported here: the soak test takes none)."""
    from PIL import Image
    with Image.open(path) as picture:
        return picture.convert("RGB")


def same_pictures(first, second):
    return pixels(first).tobytes() == pixels(second).tobytes()


def _die_with_parent():
    # Should the test itself be killed, its X server and launcher go with it. (The game runs in
    # a session of its own; the marker finds it.)
    ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def _start(command, log_path, **settings):
    with open(log_path, "wb") as log:
        return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                preexec_fn=_die_with_parent, **settings)


def _end(process):
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def _proc(pid, name):
    """The file name of /proc/pid, or None once the process is gone (or not ours to read)."""
    try:
        with open(f"/proc/{pid}/{name}", "rb") as handle:
            return handle.read()
    except OSError:
        return None


def proc_state(pid):
    """(state letter, parent pid), or None once the process is gone."""
    fields = (_proc(pid, "stat") or b")").rsplit(b")", 1)[1].split()
    return (fields[0].decode(), int(fields[1])) if fields else None


def is_alive(pid):
    # A zombie has ended; only its parent's wait is missing.
    return (proc_state(pid) or ("Z",))[0] != "Z"


def describe(pids):
    """The pids with their programs' names, for messages."""
    return ", ".join(f"{pid} ({(_proc(pid, 'comm') or b'gone').decode().strip()})" for pid in pids)


class Launcher:
    """One run of the launcher; its standard output and error go to files in the artifacts."""

    def __init__(self, session, name, env, command):
        self.session = session
        self.name = name
        self.stdout_path = os.path.join(session.artifacts, f"{name}.stdout")
        self.stderr_path = os.path.join(session.artifacts, f"{name}.stderr")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(command, env=env, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL,
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
        check(status == 0, f"after {how}, the launcher ended with status {status}, not 0: "
                           f"{self.output(self.stderr_path)[-300:]}")

    def output(self, path=None):
        with open(path or self.stdout_path, errors="replace") as handle:
            return handle.read()

    def windows(self, title=None, visible=True):
        # xdotool joins its criteria with "or" unless told --all; the pattern comes last.
        title = ["--all", "--name", title] if title else []
        return self.session.windows("--pid", str(self.pid), *title, visible=visible)

    def agreement_windows(self):
        return self.windows(AGREEMENT_TITLE)

    def main_windows(self, visible=True):
        """The launcher's windows other than the agreement: its main window."""
        agreement = self.windows(AGREEMENT_TITLE, visible=False)
        return [window for window in self.windows(visible=visible) if window not in agreement]

    def wait_for(self, find, what, timeout=WAIT):
        """The first window find() returns; fails early when the launcher has ended."""
        def shown():
            check(self.running(), f"the launcher ended with status {self.process.returncode} "
                                  f"while waiting for {what}")
            return find()
        return poll(f"{what} shown", shown, timeout)[0]

    def wait_main_window(self, what="the start page", timeout=WAIT):
        return self.wait_for(self.main_windows, what, timeout)

    def wait_agreement(self):
        return self.wait_for(self.agreement_windows, "the agreement window")

    def check_torn_down_once(self, how):
        """The teardown line printed once, the plug-in loaded once and no line printed twice."""
        lines = self.output().splitlines()
        teardowns, loads = lines.count(TEARDOWN_LINE), sum(PLUGIN_LOADED in line for line in lines)
        repeated = sorted({line for line in lines if lines.count(line) > 1})
        check(teardowns == 1 and loads == 1 and not repeated,
              f"after {how}: {teardowns} teardown lines, the plug-in loaded {loads} times, lines "
              f"printed more than once: {repeated}")


class Session:
    def __init__(self, options):
        self.options = options
        self.bundle = os.path.realpath(options.bundle)
        self.artifacts = options.artifacts
        self.marker = uuid.uuid4().hex
        self.launchers = []
        self.xvfb = self.window_manager = None
        self.shots = 0
        self.private = tempfile.mkdtemp(prefix="gw-e2e-")
        self.home = os.path.join(self.private, "home")
        self.config = os.path.join(self.private, "config")
        os.makedirs(self.home)
        os.makedirs(self.config)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        os.makedirs(self.artifacts)

    @property
    def launcher_path(self):
        return os.path.join(self.bundle, "Contents", "MacOS", "GameWrapper")

    def start_x_server(self):
        # -displayfd lets the server pick a free display and say which, so tests running at the
        # same time never race for a number. The test's time limit covers a server that hangs.
        read_end, write_end = os.pipe()
        self.xvfb = _start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN,
                            "-nolisten", "tcp", "-noreset"],
                           os.path.join(self.artifacts, "xvfb.log"), pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as answer:
            number = answer.readline().strip()
        check(number, "the X server ended at start-up (see xvfb.log)")
        self.x_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "DISPLAY": f":{number}",
                      "HOME": self.home}
        self.env = {key: value for key, value in os.environ.items()
                    if key not in ("WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XAUTHORITY",
                                   "DEMO_GAME_TOUR_SECONDS", "MACPLATFORM_DISPLAY")}
        self.env.update(self.x_env, XDG_CONFIG_HOME=self.config,
                        XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        self.env[MARKER] = self.marker

    def start_window_manager(self):
        """Runs openbox on the private display, as a desktop would, and waits until it manages
        windows (see openbox.log when it does not)."""
        self.window_manager = _start(["openbox", "--sm-disable"],
                                     os.path.join(self.artifacts, "openbox.log"),
                                     env=dict(self.x_env, XDG_CONFIG_HOME=self.config))
        poll("the window manager running",
             lambda: self.run_x_tool("wmctrl", "-m", check_status=False).returncode == 0)

    def run_x_tool(self, *command, check_status=True):
        """Runs a tool on the private display; fails the test when it hangs or fails."""
        try:
            result = subprocess.run(command, env=self.x_env, capture_output=True, text=True,
                                    timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"{' '.join(command)} hung")
        check(not check_status or result.returncode == 0,
              f"{' '.join(command)} failed: {result.stderr.strip()}")
        return result

    def close_with_window_manager(self, window):
        """What the close button of the window's title bar does."""
        self.run_x_tool("wmctrl", "-i", "-c", str(window))

    def use_private_bundle(self):
        """Runs the launcher from a copy of the bundle in the test's private folder: opening a
        game that already runs brings it forward, so tests playing the game would share one."""
        copy = os.path.join(self.private, os.path.basename(self.bundle))
        shutil.copytree(self.bundle, copy, symlinks=True)
        self.bundle = copy

    def start_launcher(self, program=None, prefix=(), **extra_env):
        """Starts the launcher: the bundle's executable, or program (a link to it, or a name
        on the PATH given in extra_env), behind the prefix command (valgrind ...) if any."""
        name = f"launcher-{len(self.launchers) + 1}"
        command = [*prefix, program or self.launcher_path]
        self.launchers.append(Launcher(self, name, dict(self.env, **extra_env), command))
        return self.launchers[-1]

    def start_at_start_page(self, prefix=(), timeout=WAIT, **extra_env):
        """Starts the launcher and brings it to its start page, agreeing to the licence with
        Return when it is asked for; returns the launcher and its main window."""
        launcher = self.start_launcher(None, prefix, **extra_env)
        launcher.wait_for(lambda: launcher.agreement_windows() or launcher.main_windows(),
                          "the agreement or the start page", timeout)
        for agreement in launcher.agreement_windows():
            self.press(agreement, "Return")
        return launcher, launcher.wait_main_window(timeout=timeout)

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
        """The live processes of this test that the launcher started: the game and its helper."""
        marker = f"{MARKER}={self.marker}".encode()
        ours = {launcher.pid for launcher in self.launchers}
        return [pid for pid in map(int, filter(str.isdigit, os.listdir("/proc")))
                if marker in (_proc(pid, "environ") or b"") and pid not in ours and is_alive(pid)]

    def xdotool(self, *args):
        return self.run_x_tool("xdotool", *args)

    def windows(self, *criteria, visible=True):
        """Ids of the windows that xdotool search finds with these criteria."""
        flags = ["--onlyvisible"] if visible else []
        found = self.run_x_tool("xdotool", "search", *flags, *criteria, check_status=False)
        return [int(line) for line in found.stdout.split()]

    def game_windows(self):
        return self.windows("--classname", "^demo-game$")

    def click(self, window, x, y):
        self.xdotool("mousemove", "--window", str(window), str(x), str(y), "click", "1")

    def move_mouse(self, window, x, y):
        self.xdotool("mousemove", "--window", str(window), str(x), str(y))

    def focus(self, window):
        self.xdotool("windowfocus", str(window))
        poll("the keyboard focus on the window",
             lambda: self.xdotool("getwindowfocus").stdout.strip() == str(window), timeout=5)

    def press(self, window, *keys):
        """Gives the window the keyboard and presses keys (xdotool's names, e.g. ctrl+q), as a
        person would: a moment after the window has the focus (desktop_test.py also types without
        waiting)."""
        self.focus(window)
        time.sleep(0.2)
        self.xdotool("key", "--clearmodifiers", *keys)

    def screenshot(self, name, window=None):
        """Saves the window (or the whole screen) as NN-name.png in the artifacts."""
        self.shots += 1
        path = os.path.join(self.artifacts, f"{self.shots:02d}-{name}.png")
        self.run_x_tool(self.options.screenshot, path, *([str(window)] if window else []))
        return path

    def wait_for_picture(self, what, name, window, wanted, timeout=WAIT):
        """Screenshots of the window until wanted(path); the last one is kept and returned."""
        taken = []

        def shown():
            if taken:
                os.remove(taken.pop())
            taken.append(self.screenshot(name, window))
            return wanted(taken[-1])
        poll(what, shown, timeout, interval=0.1)
        return taken[-1]

    def settled_screenshot(self, name, window, timeout=WAIT):
        """A screenshot taken once the window shows the same picture twice in a row: the
        launcher redraws lazily, so a window just shown may not be drawn yet."""
        last = [None]

        def settled(path):
            picture, last[0] = last[0], pixels(path).tobytes()
            return picture == last[0]
        return self.wait_for_picture(f"the picture of {name} settled", name, window, settled,
                                     timeout)

    def close(self):
        for launcher in self.launchers:
            _end(launcher.process)
        leftovers = self.game_pids()
        if leftovers:
            print(f"clean-up: killing what the launcher left running: {describe(leftovers)}")
        for pid in leftovers:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        _end(self.window_manager)
        _end(self.xvfb)
        shutil.rmtree(self.private, ignore_errors=True)


class _Stopped(BaseException):
    pass


def main(test, time_limit, private_bundle=False, window_manager=False, tools=(), arguments=()):
    """Runs test(session) under a private X server and exits with 0 when it passed, 1 when it
    failed, SKIPPED when the machine lacks Xvfb, xdotool or one of the other tools.
    With private_bundle, the launcher runs from a copy of the bundle (see
    Session.use_private_bundle); with window_manager, openbox manages the windows. A time limit
    of None sets none; arguments are (flag, argparse settings) pairs of the test's own options,
    found in session.options."""
    parser = argparse.ArgumentParser(description=(test.__doc__ or "").split("\n")[0])
    for flag in ("--bundle", "--screenshot", "--artifacts"):
        parser.add_argument(flag, required=True)
    for flag, settings in arguments:
        parser.add_argument(flag, **settings)
    options = parser.parse_args()
    tools = ["Xvfb", "xdotool", *tools] + (["openbox", "wmctrl", "xprop"] if window_manager
                                           else [])
    missing = [tool for tool in tools if not shutil.which(tool)]
    if missing:
        print(f"skipped: {' and '.join(missing)} not installed (scripts/install-deps)")
        sys.exit(SKIPPED)

    def stop(number, _):
        raise _Stopped(f"ran out of its {time_limit} s" if number == signal.SIGALRM
                       else f"stopped by signal {number}")

    # The test keeps its own time, below CTest's, so that its clean-up always runs.
    stops = (signal.SIGALRM, signal.SIGTERM, signal.SIGINT, signal.SIGHUP)
    for number in stops:
        signal.signal(number, stop)
    session = Session(options)
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
    except (TestFailure, _Stopped) as failure:
        print(f"FAILED: {failure}")
        _report_failure(session)
    finally:
        signal.alarm(0)
        for number in stops:
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
    for launcher in session.launchers:
        state = "running" if launcher.running() else f"ended, status {launcher.process.returncode}"
        print(f"--- {launcher.name}: {state}; the end of its output and errors:")
        for path in (launcher.stdout_path, launcher.stderr_path):
            print("\n".join(launcher.output(path).splitlines()[-15:]))
