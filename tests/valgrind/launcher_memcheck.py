"""The launcher under valgrind's memcheck, on a private X server with private preferences:
start and agree to the licence, open "Other Games" and let the storefront draw for about
100 frames (9 s at its 12 frames a second), leave it with Esc, play the demo game once (tour
mode ends it by itself), and quit with Ctrl+Q.

memcheck runs with --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=1, so
any memory error, or any block definitely lost, makes the launcher's exit status 1. The game
and its helper are separate programs and are not traced. Exit status 0 passed, 1 failed, 77
when valgrind, Xvfb or xdotool is missing.
"""

import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_session import (AWAY_X, AWAY_Y, BUTTON_Y, OTHER_X, check, main,  # noqa: E402
                         pixels, same_pictures)

# Everything is 20 to 50 times slower under memcheck.
SLOW_WAIT = 180


def run(session, valgrind):
    launcher, window = session.start_at_start_page(valgrind, SLOW_WAIT,
                                                   DEMO_GAME_TOUR_SECONDS="3")
    session.move_mouse(window, AWAY_X, AWAY_Y)

    def wait_until(what, wanted):
        return session.wait_for_picture(what, what.replace(" ", "-"), window, wanted, SLOW_WAIT)

    # Under memcheck the window may stay blank for many seconds after it is shown: wait for
    # the page's picture (more than 8 colours) before taking it as the reference.
    wait_until("the start page drawn", lambda path: pixels(path).getcolors(8) is None)
    start_page = session.settled_screenshot("start-page", window, SLOW_WAIT)
    session.move_mouse(window, OTHER_X, BUTTON_Y)
    hover = session.settled_screenshot("hover-other-games", window, SLOW_WAIT)
    session.click(window, OTHER_X, BUTTON_Y)
    # The storefront draws its covers with its first frame, which under memcheck takes
    # seconds of its own.
    wait_until("the storefront", lambda path: not same_pictures(path, hover))
    time.sleep(session.options.storefront_seconds)
    session.press(window, "Escape")
    session.move_mouse(window, AWAY_X, AWAY_Y)
    wait_until("the start page back", lambda path: same_pictures(path, start_page))
    session.play_once(launcher, window, "the game", SLOW_WAIT)
    wait_until("the start page back from the game", lambda path: same_pictures(path, start_page))
    session.press(window, "ctrl+q")
    return launcher.wait_exit(SLOW_WAIT)


def launcher_memcheck(session):
    """The launcher under memcheck: start-up, the storefront, a game and Ctrl+Q."""
    log_path = os.path.join(session.artifacts, "memcheck.log")
    valgrind = ["valgrind", "--tool=memcheck", "--leak-check=full",
                "--errors-for-leak-kinds=definite", "--error-exitcode=1", "--trace-children=no",
                "--num-callers=40",
                # The launcher forks twice to start the game; the middle process ends with
                # _exit and its copy of the heap is not a leak of ours.
                "--child-silent-after-fork=yes", f"--log-file={log_path}"]
    valgrind += [f"--suppressions={path}" for path in session.options.suppressions]
    try:
        status = run(session, valgrind)
    finally:
        # The launcher's own summary comes when it ends; on a failure, the log's end says why.
        if os.path.exists(log_path):
            with open(log_path, errors="replace") as handle:
                text = handle.read()
            summary = re.findall(r"==\d+== +((?:ERROR SUMMARY|definitely lost|indirectly lost|"
                                 r"possibly lost|All heap blocks).*)", text)
            print("\n".join(summary[-4:]) or "--- the end of the log:\n" + text[-4000:])
    check(status == 0, f"memcheck found errors or definite leaks (see {log_path})"
          if status == 1 else f"the launcher ended with status {status}")


if __name__ == "__main__":
    main(launcher_memcheck, None, private_bundle=True, tools=("valgrind",), arguments=[
        ("--suppressions", {"action": "append", "default": []}),
        ("--storefront-seconds", {"type": float, "default": 9.0,
                                  "help": "how long the storefront draws before Esc"})])
