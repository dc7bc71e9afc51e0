"""Ending the launcher: Ctrl+Q on the start page, and SIGTERM while the game and its helper run.
Each ends with status 0 and tears down once (its teardown line is printed once, no line twice),
and no process of the launcher, the game or the helper is left."""

import os
import signal

from e2e_session import BUTTON_Y, PLAY_X, TEARDOWN_LINE, TestFailure, check, main, poll

PLUGIN_LOADED = "Pellucid.dylib\", RTLD_NOW): Successful"


def test_quit(session):
    launcher, window = session.start_at_start_page()
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")
    _check_torn_down_once(launcher, "Ctrl+Q")

    # SIGTERM while the game runs: the launcher ends the game, whose helper goes with it.
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS="600")
    session.click(window, PLAY_X, BUTTON_Y)
    poll("the game's window", session.game_windows)
    poll("the game and its helper running", lambda: len(session.game_pids()) == 2)
    # Two at once, as an impatient service manager sends them: the teardown still runs once.
    os.kill(launcher.pid, signal.SIGTERM)
    os.kill(launcher.pid, signal.SIGTERM)
    status = launcher.wait_exit()
    check(status == 0, f"SIGTERM ended the launcher with status {status}, not 0")
    _check_torn_down_once(launcher, "SIGTERM")
    # The teardown waits for the game; a moment more for the kernel to reap what it ended.
    try:
        poll("the game and its helper gone", lambda: not session.game_pids(), timeout=5)
    except TestFailure:
        left = session.describe(session.game_pids())
        raise TestFailure(f"SIGTERM left the game's processes running: {left}")


def _check_torn_down_once(launcher, how):
    lines = launcher.stdout().splitlines()
    check(lines.count(TEARDOWN_LINE) == 1,
          f"after {how}, the teardown line was printed {lines.count(TEARDOWN_LINE)} times")
    check(sum(PLUGIN_LOADED in line for line in lines) == 1,
          f"after {how}, the plug-in was not loaded exactly once")
    repeated = sorted({line for line in lines if lines.count(line) > 1})
    check(not repeated, f"after {how}, lines printed more than once: {repeated}")


if __name__ == "__main__":
    main(test_quit, 90, private_bundle=True)
