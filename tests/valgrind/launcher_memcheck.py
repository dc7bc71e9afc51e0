"""The launcher under valgrind's memcheck, on a private X server with private preferences:
start and agree to the licence, open "Other Games" and let the storefront draw for about
100 frames (9 s at its 12 frames a second), leave it with Esc, play the demo game once (tour
mode ends it by itself), and quit with Ctrl+Q.

memcheck runs with --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=1, so
any memory error, or any block definitely lost, makes the launcher's exit status 1. The game
and its helper are separate programs and are not traced. Exit status 0 passed, 1 failed, 77
when valgrind, Xvfb or xdotool is missing.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_session  # noqa: E402
import png_pixels  # noqa: E402
from e2e_session import TestFailure, check, poll  # noqa: E402

PLAY_X, OTHER_X, BUTTON_Y = 452 + 61, 577 + 61, 465 + 18
AWAY_X, AWAY_Y = 10, 10
STOREFRONT_SECONDS = 9
# Everything is 20 to 50 times slower under memcheck.
SLOW_WAIT = 180


class ValgrindLauncher(e2e_session.Launcher):
    """The launcher started under memcheck; valgrind runs it in its own process, so the pid
    is the launcher's, also for the windows' _NET_WM_PID."""

    def __init__(self, session, valgrind_args, extra_env):
        self.session = session
        self.name = "launcher-valgrind"
        self.stdout_path = os.path.join(session.artifacts, f"{self.name}.stdout")
        self.stderr_path = os.path.join(session.artifacts, f"{self.name}.stderr")
        env = dict(session.env)
        env.update(extra_env)
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(["valgrind", *valgrind_args, session.launcher_path],
                                            env=env, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL,
                                            preexec_fn=e2e_session._die_with_parent)
        self.pid = self.process.pid
        session.launchers.append(self)


def run(session, valgrind_args, storefront_seconds):
    launcher = ValgrindLauncher(session, valgrind_args, {"DEMO_GAME_TOUR_SECONDS": "3"})
    launcher.wait_for(lambda: launcher.agreement_windows() or launcher.main_windows(),
                      "the agreement or the start page", SLOW_WAIT)
    agreement = launcher.agreement_windows()
    if agreement:
        session.press(agreement[0], "Return")
    window = launcher.wait_main_window(timeout=SLOW_WAIT)
    session.move_mouse(window, AWAY_X, AWAY_Y)
    # Under memcheck the window may stay blank for many seconds after it is shown: wait for
    # the page's picture before taking it as the reference.
    session.wait_for_picture("the start page drawn", "start-page-drawn", window,
                             lambda path: png_pixels.read_png(path).distinct_colours() >= 8,
                             SLOW_WAIT)
    start_page = session.settled_screenshot("start-page", window, SLOW_WAIT)
    session.move_mouse(window, OTHER_X, BUTTON_Y)
    hover = session.settled_screenshot("hover-other-games", window, SLOW_WAIT)
    print("start page shown", flush=True)

    session.click(window, OTHER_X, BUTTON_Y)
    # The storefront draws its covers with its first frame, which under memcheck takes
    # seconds of its own.
    session.wait_for_picture("the storefront after a click on Other Games", "storefront", window,
                             lambda path: not session.same_pictures(path, hover), SLOW_WAIT)
    time.sleep(storefront_seconds)
    print(f"storefront shown for {storefront_seconds} s", flush=True)
    session.press(window, "Escape")
    session.move_mouse(window, AWAY_X, AWAY_Y)
    session.wait_for_picture("the start page back from the storefront", "back-from-storefront",
                             window, lambda path: session.same_pictures(path, start_page),
                             SLOW_WAIT)

    # Hover first and let the button show it, as a person would, so the button's hover
    # drawing runs under memcheck too.
    session.move_mouse(window, PLAY_X, BUTTON_Y)
    session.wait_for_picture("Play Game hovered", "hover-play-game", window,
                             lambda path: not session.same_pictures(path, start_page),
                             SLOW_WAIT)
    session.click(window, PLAY_X, BUTTON_Y)
    poll("the game's window", session.game_windows, SLOW_WAIT)
    print("the game runs", flush=True)
    poll("the game's window gone", lambda: not session.game_windows(), SLOW_WAIT)
    back = launcher.wait_main_window("the launcher back after the game", SLOW_WAIT)
    check(back == window, f"the launcher came back in window {back}, not {window}")
    poll("the game and its helper ended", lambda: not session.game_pids(), SLOW_WAIT)
    session.move_mouse(window, AWAY_X, AWAY_Y)
    session.wait_for_picture("the start page back from the game", "back-from-game", window,
                             lambda path: session.same_pictures(path, start_page), SLOW_WAIT)
    print("the launcher is back; quitting", flush=True)

    session.press(window, "ctrl+q")
    status = launcher.wait_exit(SLOW_WAIT)
    return status


def summarise(log_path):
    with open(log_path, errors="replace") as handle:
        text = handle.read()
    for pattern in (r"ERROR SUMMARY: .*", r"definitely lost: .*", r"indirectly lost: .*",
                    r"possibly lost: .*", r"still reachable: .*", r"suppressed: .*", r"All heap blocks were freed.*"):
        # The last one: the launcher's own summary comes when it ends.
        matches = re.findall(r"==\d+== +(" + pattern + ")", text)
        if matches:
            print(matches[-1].strip())
    return text


def private_bundle_copy(bundle):
    """A copy of the bundle in a fresh temporary folder; returns (folder, copy). Starting the
    game reuses a running instance of the same program file, so a test that plays the game
    while another test plays it from the same bundle would be handed that other game (on that
    test's X server). Each run therefore plays its own copy."""
    folder = tempfile.mkdtemp(prefix="gw-memcheck-")
    copy = os.path.join(folder, os.path.basename(os.path.realpath(bundle)))
    shutil.copytree(bundle, copy, symlinks=True)
    return folder, copy


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bundle", required=True, help="the demo bundle, Demo Game.app")
    parser.add_argument("--screenshot", required=True, help="the demo-screenshot tool")
    parser.add_argument("--artifacts", required=True,
                        help="folder for valgrind's log and the launcher's output")
    parser.add_argument("--suppressions", action="append", default=[])
    parser.add_argument("--storefront-seconds", type=float, default=STOREFRONT_SECONDS,
                        help="how long the storefront draws before Esc")
    options = parser.parse_args()
    missing = [tool for tool in ("valgrind", "Xvfb", "xdotool") if not shutil.which(tool)]
    if missing:
        print(f"skipped: {' and '.join(missing)} not installed")
        return e2e_session.SKIPPED

    def stopped(number, _):
        raise SystemExit(f"stopped by signal {number}")

    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, stopped)
    copy_folder, options.bundle = private_bundle_copy(options.bundle)
    session = e2e_session.Session(options, "valgrind")
    log_path = os.path.join(options.artifacts, "memcheck.log")
    valgrind_args = ["--tool=memcheck", "--leak-check=full", "--errors-for-leak-kinds=definite",
                     "--error-exitcode=1", "--trace-children=no", "--num-callers=40",
                     # The launcher forks twice to start the game; the middle process ends
                     # with _exit and its copy of the heap is not a leak of ours.
                     "--child-silent-after-fork=yes",
                     f"--log-file={log_path}"]
    valgrind_args += [f"--suppressions={path}" for path in options.suppressions]
    started = time.monotonic()
    status = 1
    try:
        session.start_x_server()
        exit_status = run(session, valgrind_args, options.storefront_seconds)
        print(f"the launcher under memcheck ended with status {exit_status}")
        summarise(log_path)
        check(exit_status == 0, f"memcheck found errors or definite leaks (see {log_path})"
              if exit_status == 1 else f"the launcher ended with status {exit_status}")
        status = 0
    except TestFailure as failure:
        print(f"FAILED: {failure}")
        if os.path.exists(log_path):
            print(f"--- the end of {log_path}:")
            with open(log_path, errors="replace") as handle:
                print("".join(handle.readlines()[-60:]))
    finally:
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(number, signal.SIG_IGN)
        session.close()
        shutil.rmtree(copy_folder, ignore_errors=True)
    print(f"{'passed' if status == 0 else 'failed'} in {time.monotonic() - started:.0f} s")
    return status


if __name__ == "__main__":
    sys.exit(main())
