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
import png_pixels  # noqa: E402
from e2e_session import (AWAY_X, AWAY_Y, BUTTON_Y, OTHER_X, PLAY_X, TestFailure,  # noqa: E402
                         check, main)

# Everything is 20 to 50 times slower under memcheck.
SLOW_WAIT = 180


def run(session, valgrind):
    launcher, window = session.start_at_start_page(valgrind, SLOW_WAIT,
                                                   DEMO_GAME_TOUR_SECONDS="3")
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
    time.sleep(session.options.storefront_seconds)
    print(f"storefront shown for {session.options.storefront_seconds} s", flush=True)
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
    session.play_once(launcher, window, "the game", SLOW_WAIT)
    session.wait_for_picture("the start page back from the game", "back-from-game", window,
                             lambda path: session.same_pictures(path, start_page), SLOW_WAIT)
    print("the launcher is back; quitting", flush=True)
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
        print(f"the launcher under memcheck ended with status {status}")
        with open(log_path, errors="replace") as handle:
            text = handle.read()
        for pattern in (r"ERROR SUMMARY: .*", r"definitely lost: .*", r"indirectly lost: .*",
                        r"possibly lost: .*", r"still reachable: .*", r"suppressed: .*",
                        r"All heap blocks were freed.*"):
            # The last one: the launcher's own summary comes when it ends.
            matches = re.findall(r"==\d+== +(" + pattern + ")", text)
            if matches:
                print(matches[-1].strip())
        check(status == 0, f"memcheck found errors or definite leaks (see {log_path})"
              if status == 1 else f"the launcher ended with status {status}")
    except TestFailure:
        if os.path.exists(log_path):
            with open(log_path, errors="replace") as handle:
                print(f"--- the end of {log_path}:\n" + "".join(handle.readlines()[-60:]))
        raise


if __name__ == "__main__":
    main(launcher_memcheck, None, private_bundle=True, tools=("valgrind",), arguments=[
        ("--suppressions", {"action": "append", "default": []}),
        ("--storefront-seconds", {"type": float, "default": 9.0,
                                  "help": "how long the storefront draws before Esc"})])
