"""The start page without a mouse: Tab shows the focus ring on "Play Game" and Return starts
the demo game; the launcher hides while it runs and comes back when the player quits it."""

from e2e_session import check, main, poll


def test_keyboard(session):
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS="600")
    start_page = session.settled_screenshot("start-page", window)
    session.press(window, "Tab")
    session.wait_for_picture("the focus ring after Tab", "focus-ring", window,
                             lambda path: not session.same_pictures(path, start_page))
    session.press(window, "Return")
    game_window = poll("the game's window after Return", session.game_windows)[0]
    poll("the launcher hidden while the game runs", lambda: not launcher.main_windows())
    session.press(game_window, "Escape")
    poll("the launcher's window back", launcher.main_windows)
    check(launcher.running(), "the launcher ended with the game")
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")


if __name__ == "__main__":
    main(test_keyboard, 100, private_bundle=True)
