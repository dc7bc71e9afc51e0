"""Playing the demo game from the start page, and ending the launcher while it runs.

"Play Game" hides the launcher while the game runs and brings it back, in the same window,
when the game ends: once started with a click and ended by killing the game's X connection, as
a crash would, once started from the keyboard (Tab shows the focus ring on "Play Game", Return
starts it) and quit with Esc. Each time the game's helper goes with it, and the launcher is
back within a second of the game's end (the limit here is looser, for a busy machine; the
measured time is printed). Then SIGTERM while the game runs ends the launcher with status 0
after one teardown, and no process of the launcher, the game or its helper is left.
"""

import os
import signal
import time

from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, PLAY_X, check, is_alive, main, poll

# The launcher checks on the game every 0.5 s and should be back within a second.
BACK_LIMIT = 5.0
# A game that has ended before the launcher's first check counts as a launch that failed, and
# the launcher then waits out its 5 s limit: the game runs past that first check.
PLAY_AT_LEAST = 1.5


def test_play_game(session):
    # Tour mode makes the game start its helper; it would end by itself only after 600 s.
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS="600")
    session.move_mouse(window, AWAY_X, AWAY_Y)
    start_page = session.settled_screenshot("start-page", window)

    def start_from_keyboard(name):
        """Returns the picture the start page comes back with: the focus ring stays."""
        session.press(window, "Tab")
        focused = session.wait_for_picture(
            f"{name}: the focus ring after Tab", f"{name}-focus", window,
            lambda path: not session.same_pictures(path, start_page))
        session.press(window, "Return")
        return focused

    def play_round(name, start_game, end_game):
        back_picture = start_game(name)
        game_window = poll(f"{name}: the game's window", session.game_windows)[0]
        game_seen = time.monotonic()
        poll(f"{name}: the launcher hidden while the game runs",
             lambda: not launcher.main_windows(), timeout=5)
        game, helper = poll(f"{name}: the game and its helper running",
                            lambda: _game_and_helper(session))
        check(not session.same_pictures(session.screenshot(f"{name}-screen"), start_page),
              f"{name}: the screen still shows the start page")
        time.sleep(max(0.0, PLAY_AT_LEAST - (time.monotonic() - game_seen)))
        end_game(game_window)
        game_ended = poll(f"{name}: the game ended", lambda: None if is_alive(game) else
                          time.monotonic(), interval=0.01)
        back = poll(f"{name}: the launcher's window back",
                    lambda: launcher.main_windows() and time.monotonic(), timeout=BACK_LIMIT,
                    interval=0.01)
        print(f"{name}: the launcher's window was back {back - game_ended:.2f} s after the "
              f"game ended")
        check(launcher.main_windows() == [window], f"{name}: the launcher came back in a new "
              f"window {launcher.main_windows()}, not {window}")
        poll(f"{name}: the helper ({helper}) ended with the game",
             lambda: not session.game_pids())
        session.move_mouse(window, AWAY_X, AWAY_Y)
        session.wait_for_picture(f"{name}: the start page back", f"{name}-back", window,
                                 lambda path: session.same_pictures(path, back_picture))

    def click_play(_):
        session.click(window, PLAY_X, BUTTON_Y)
        return start_page

    # The click first: once a key has shown the focus ring, the start page keeps it.
    play_round("killed", click_play,
               lambda game_window: session.xdotool("windowkill", str(game_window)))
    play_round("keyboard-and-esc", start_from_keyboard,
               lambda game_window: session.press(game_window, "Escape"))

    # A fresh launcher (its output then holds no line twice) gets two SIGTERMs at once, as an
    # impatient service manager sends them, while the game runs: it ends the game, whose
    # helper goes with it, and still tears down once.
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS="600")
    click_play(None)
    poll("the game and its helper running", lambda: _game_and_helper(session))
    os.kill(launcher.pid, signal.SIGTERM)
    os.kill(launcher.pid, signal.SIGTERM)
    status = launcher.wait_exit()
    check(status == 0, f"SIGTERM ended the launcher with status {status}, not 0")
    launcher.check_torn_down_once("SIGTERM")
    # The teardown waits for the game; a moment more for the kernel to reap what it ended.
    poll("the game and its helper gone after SIGTERM", lambda: not session.game_pids(),
         timeout=5)


def _game_and_helper(session):
    """The game's and its helper's pids once both run, the game first; None before."""
    names = {pid: session.describe([pid]) for pid in session.game_pids()}
    game = [pid for pid, name in names.items() if "demo-game" in name]
    helper = [pid for pid, name in names.items() if "demo-helper" in name]
    return (game[0], helper[0]) if len(names) == 2 and game and helper else None


if __name__ == "__main__":
    main(test_play_game, 120, private_bundle=True)
