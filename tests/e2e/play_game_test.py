"""Playing the demo game from the start page, and ending the launcher while it runs.

"Play Game" hides the launcher while the game runs and brings it back, in the same window,
when the game ends, here by killing the game's X connection, as a crash would: the game's
helper goes with it, and the launcher is back within a second of the game's end (the limit here
is looser, for a busy machine). Then a game started from the keyboard (Tab brings the focus to
"Play Game", Return starts it) and SIGTERM while it runs: the launcher ends with status 0
after one teardown, and no process of the launcher, the game or its helper is left.
"""

import os
import signal
import time

from e2e_session import (AWAY_X, AWAY_Y, BUTTON_Y, PLAY_X, check, describe, is_alive, main,
                         poll, same_pictures)

# The launcher checks on the game every 0.5 s and should be back within a second.
BACK_LIMIT = 5.0
# A game that has ended before the launcher's first check counts as a launch that failed, and
# the launcher then waits out its 5 s limit: the game runs past that first check.
PLAY_AT_LEAST = 1.5


def game_and_helper(session):
    """The game's and its helper's pids once both run, the game first; None before."""
    running = {pid: describe([pid]) for pid in session.game_pids()}
    game = [pid for pid, name in running.items() if "demo-game" in name]
    helper = [pid for pid, name in running.items() if "demo-helper" in name]
    return (game[0], helper[0]) if len(running) == 2 and game and helper else None


def test_play_game(session):
    # Tour mode makes the game start its helper; it would end by itself only after 600 s.
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS="600")
    session.move_mouse(window, AWAY_X, AWAY_Y)
    start_page = session.settled_screenshot("start-page", window)
    session.click(window, PLAY_X, BUTTON_Y)
    game_window = poll("the game's window", session.game_windows)[0]
    poll("the launcher hidden while the game runs", lambda: not launcher.main_windows(),
         timeout=5)
    game, helper = poll("the game and its helper running", lambda: game_and_helper(session))
    time.sleep(PLAY_AT_LEAST)
    session.xdotool("windowkill", str(game_window))
    poll("the game ended", lambda: not is_alive(game), interval=0.01)
    poll("the launcher's window back", launcher.main_windows, timeout=BACK_LIMIT, interval=0.01)
    check(launcher.main_windows() == [window],
          f"the launcher came back in a new window {launcher.main_windows()}, not {window}")
    poll(f"the helper ({helper}) ended with the game", lambda: not session.game_pids())
    session.move_mouse(window, AWAY_X, AWAY_Y)
    session.wait_for_picture("the start page back", "back", window,
                             lambda path: same_pictures(path, start_page))
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")

    # A fresh launcher (its output then holds no line twice) gets two SIGTERMs at once, as an
    # impatient service manager sends them, while the game runs: it ends the game, whose
    # helper goes with it, and still tears down once.
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS="600")
    session.press(window, "Tab")
    session.press(window, "Return")
    poll("the game and its helper running after Tab and Return", lambda: game_and_helper(session))
    os.kill(launcher.pid, signal.SIGTERM)
    os.kill(launcher.pid, signal.SIGTERM)
    check(launcher.wait_exit() == 0, f"SIGTERM ended the launcher with status "
                                     f"{launcher.process.returncode}, not 0")
    launcher.check_torn_down_once("SIGTERM")
    # The teardown waits for the game; a moment more for the kernel to reap what it ended.
    poll("the game and its helper gone after SIGTERM", lambda: not session.game_pids(),
         timeout=5)


if __name__ == "__main__":
    main(test_play_game, 120, private_bundle=True)
