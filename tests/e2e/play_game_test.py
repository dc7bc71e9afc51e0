""""Play Game" hides the launcher while the demo game runs and brings it back when the game
ends, twice: once when the player quits the game with Esc, once when the game dies because its
connection to the X server is killed. Each time the game's helper goes with it, and the
launcher is back within a second of the game's end (the limit here is looser, for a busy
machine; the measured time is printed)."""

import time

from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, PLAY_X, check, is_alive, main, poll

# The launcher checks on the game every 0.5 s and should be back within a second.
BACK_LIMIT = 5.0
# The launcher checks on a launched game every 0.5 s; the game runs longer than that.
PLAY_AT_LEAST = 1.5
# Tour mode makes the game start its helper; it would end by itself only after this long.
TOUR_SECONDS = "600"


def test_play_game(session):
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS=TOUR_SECONDS)
    session.move_mouse(window, AWAY_X, AWAY_Y)
    start_page = session.settled_screenshot("start-page", window)

    def play_round(name, end_game):
        session.click(window, PLAY_X, BUTTON_Y)
        game_window = poll(f"{name}: the game's window", session.game_windows)[0]
        game_seen = time.monotonic()
        poll(f"{name}: the launcher hidden while the game runs",
             lambda: not launcher.main_windows(), timeout=5)
        session.screenshot(f"{name}-game", game_window)
        game, helper = poll(f"{name}: the game and its helper running",
                            lambda: _game_and_helper(session))
        check(not session.same_pictures(session.screenshot(f"{name}-screen"), start_page),
              f"{name}: the screen still shows the start page")

        # A game that has ended before the launcher's first check counts as a launch that
        # failed, and the launcher then waits out its 5 s limit: play past that first check.
        time.sleep(max(0.0, PLAY_AT_LEAST - (time.monotonic() - game_seen)))
        end_game(game_window)
        game_ended = poll(f"{name}: the game ended", lambda: _ended_at(game), interval=0.01)
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
                                 lambda path: session.same_pictures(path, start_page))

    play_round("quit-with-esc", lambda game_window: session.press(game_window, "Escape"))
    # Killing the game's X connection ends it as a crash would; the launcher must cope alike.
    play_round("killed", lambda game_window: session.xdotool("windowkill", str(game_window)))

    check(launcher.running(), "the launcher ended with the game")
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")


def _game_and_helper(session):
    """The game's and its helper's pids once both run, the game first; None before."""
    pids = sorted(session.game_pids())
    if len(pids) != 2:
        return None
    names = {pid: session.describe([pid]) for pid in pids}
    game = [pid for pid in pids if "demo-game" in names[pid]]
    helper = [pid for pid in pids if "demo-helper" in names[pid]]
    return (game[0], helper[0]) if game and helper else None


def _ended_at(pid):
    return None if is_alive(pid) else time.monotonic()


if __name__ == "__main__":
    main(test_play_game, 100, private_bundle=True)
