""""Other Games" opens the storefront, which animates on its own, and Esc brings back the start
page exactly as it was. Ctrl+Q then ends the launcher with status 0 after one teardown."""

from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, OTHER_X, check, main


def test_storefront(session):
    launcher, window = session.start_at_start_page()
    session.move_mouse(window, AWAY_X, AWAY_Y)
    start_page = session.settled_screenshot("start-page", window)

    session.click(window, OTHER_X, BUTTON_Y)
    session.move_mouse(window, AWAY_X, AWAY_Y)
    first = session.wait_for_picture(
        "the storefront in the window after Other Games", "storefront", window,
        lambda path: not session.same_pictures(path, start_page))
    # The launcher asks the plug-in for a frame about twelve times a second; the storefront's
    # banner moves on every frame, so a later picture must differ without any input.
    session.wait_for_picture(
        "a later storefront frame that differs from the first", "storefront-later", window,
        lambda path: not session.same_pictures(path, first))
    check(launcher.main_windows() == [window], "the storefront opened another window")

    session.press(window, "Escape")
    session.wait_for_picture("the start page back after Esc", "after-escape", window,
                             lambda path: session.same_pictures(path, start_page))
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")
    launcher.check_torn_down_once("Ctrl+Q")


if __name__ == "__main__":
    main(test_storefront, 90)
