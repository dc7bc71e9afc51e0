"""Hunts for a launcher left running with no window of its own on screen.

Whatever the player does, the launcher either shows a window, or has a game of its own
running, or ends (with status 0). Random walks through what a player can do on a desktop with
a window manager (keys, clicks, the title bar's close button, Ctrl+Q and Super+Q, SIGTERM,
playing and ending the game, the storefront), starting with and without the agreement, check
that after every step. The seed is printed; E2E_SEED replays a walk.
"""

import os
import random
import shutil
import time

from desktop_test import DECLINE_X, DECLINE_Y
from e2e_session import BUTTON_Y, OTHER_X, PLAY_X, TestFailure, main, poll

WALKS = 5
STEPS = 12
# Between a step and the state it leads to: the launcher hides for a game that has yet to show,
# comes back a moment after the game ended, or is still tearing down.
SETTLE = 5.0
TOUR_SECONDS = "600"


def key(*keys):
    return lambda session, window: session.press(window, *keys)


def click(x, y):
    return lambda session, window: session.click(window, x, y)


TYPING = key("a", "b", "Left", "Down", "space", "Tab")
CLOSE_BOX = ("the close button",
             lambda session, window: session.close_with_window_manager(window))
# The launcher of the walk is the last one the session started.
SIGTERM = ("SIGTERM", lambda session, window: session.launchers[-1].process.terminate())
# What goes on in each state, and what ends the launcher from it (chosen now and then).
GOING_ON = {
    "agreement": [("typing", TYPING), ("Return", key("Return"))],
    "main": [("Play Game", click(PLAY_X, BUTTON_Y)),
             ("Other Games", click(OTHER_X, BUTTON_Y)), ("Escape", key("Escape")),
             ("Return", key("Return")), ("typing", TYPING)],
    "game": [("Escape in the game", key("Escape")), ("the game's close button", CLOSE_BOX[1])],
}
ENDING = {
    "agreement": [("Ctrl+Q", key("ctrl+q")), ("Super+Q", key("super+q")), CLOSE_BOX,
                  ("Escape", key("Escape")), ("a click on Decline", click(DECLINE_X, DECLINE_Y)),
                  SIGTERM],
    "main": [("Ctrl+Q", key("ctrl+q")), ("Super+Q", key("super+q")), CLOSE_BOX, SIGTERM],
    "game": [SIGTERM],
}
END_CHANCE = 0.15


def target(session, launcher):
    """The launcher's state and the window to act on in it; None while it shows nothing of its
    own, or its game has no window yet."""
    if not launcher.running():
        return "ended", None
    if session.game_pids():
        windows = [("game", window) for window in session.game_windows()]
    else:
        windows = [("agreement", window) for window in launcher.agreement_windows()] or \
            [("main", window) for window in launcher.main_windows()]
    return windows[0] if windows else None


def test_always_shown(session):
    seed = int(os.environ.get("E2E_SEED", time.time_ns() % 1_000_000))
    print(f"seed {seed} (E2E_SEED={seed} replays these walks)")
    pick = random.Random(seed)
    for walk in range(WALKS):
        if pick.random() < 0.5:
            shutil.rmtree(os.path.join(session.config, "Preferences"), ignore_errors=True)
        launcher = session.start_launcher(DEMO_GAME_TOUR_SECONDS=TOUR_SECONDS)
        steps = ["start"]
        while True:
            walked = " > ".join(steps)
            state, window = poll(f"walk {walk + 1} ({walked}): a window of the launcher, its "
                                 f"game or its end", lambda: target(session, launcher),
                                 timeout=SETTLE)
            if state == "ended":
                break
            if len(steps) > STEPS:
                name, action = SIGTERM
            elif pick.random() < END_CHANCE:
                name, action = pick.choice(ENDING[state])
            else:
                name, action = pick.choice(GOING_ON[state])
            if state == "game":
                # A game that ends before the launcher's first look counts as a launch that
                # failed: let it be seen running first.
                time.sleep(1.0)
            try:
                action(session, window)
            except TestFailure:
                # The step before may still be taking the window away (typing can press a
                # button); that is no fault, any other failure is.
                if window in session.windows("--all", "--pid", str(launcher.pid),
                                             visible=False) + session.game_windows():
                    raise
                name += " (window gone)"
            steps.append(name)
        status = launcher.wait_exit()
        if status != 0:
            raise TestFailure(f"walk {walk + 1} ({' > '.join(steps)}) ended with status "
                              f"{status}")
        print(f"walk {walk + 1}: {' > '.join(steps)}")


if __name__ == "__main__":
    main(test_always_shown, 140, private_bundle=True, window_manager=True)
