"""The launcher on a desktop scaled to 200%: with MACPLATFORM_SCALE=2 the start page is a
1440 x 1080 window, a click at the device pixels of a button (twice its point) presses that
button, and the storefront, which lays its 720 x 540 frame out in points and animates on its
own, gets its clicks in points: its "Back to game" button brings back the start page exactly
as it was. An alert shown before any other window is centred on the scaled screen."""

import os

import e2e_session
from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, OTHER_X, check, main, same_pictures

SCALE = 2
# The middle of the sample storefront's "Back to game" button, in the frame's points.
BACK_X, BACK_Y = 622, 48
# Room for the 1440 x 1080 window.
e2e_session.SCREEN = "2560x1600x24"


def geometry(session, window):
    shell = session.xdotool("getwindowgeometry", "--shell", str(window)).stdout.split()
    return {key: int(value) for key, value in (line.split("=") for line in shell)}


def test_scale(session):
    launcher, window = session.start_at_start_page(MACPLATFORM_SCALE=str(SCALE))
    size = geometry(session, window)
    check((size["WIDTH"], size["HEIGHT"]) == (720 * SCALE, 540 * SCALE),
          f"the window at scale {SCALE} is not 1440 x 1080: {size}")

    session.move_mouse(window, AWAY_X * SCALE, AWAY_Y * SCALE)
    start_page = session.settled_screenshot("start-page", window)

    session.click(window, OTHER_X * SCALE, BUTTON_Y * SCALE)
    session.move_mouse(window, AWAY_X * SCALE, AWAY_Y * SCALE)
    first = session.wait_for_picture(
        "the storefront after a click on Other Games at scale 2", "storefront", window,
        lambda path: not same_pictures(path, start_page))
    session.wait_for_picture(
        "a later storefront frame", "storefront-later", window,
        lambda path: not same_pictures(path, first))

    session.click(window, BACK_X * SCALE, BACK_Y * SCALE)
    session.move_mouse(window, AWAY_X * SCALE, AWAY_Y * SCALE)
    session.wait_for_picture("the start page back after Back to game", "after-back", window,
                             lambda path: same_pictures(path, start_page))
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")

    # An alert before any other window (a file of the game missing) is centred on the scaled
    # screen, its place reckoned in points like the screen's size.
    session.use_private_bundle()
    os.remove(os.path.join(session.bundle, "Contents", "Resources", "Channel.dat"))
    launcher = session.start_launcher(MACPLATFORM_SCALE=str(SCALE))
    alert = launcher.wait_for(launcher.windows, "the missing file's alert")
    place = geometry(session, alert)
    screen_width = int(e2e_session.SCREEN.split("x")[0])
    check(abs(place["X"] + place["WIDTH"] // 2 - screen_width // 2) <= 2,
          f"the alert is not centred on the {screen_width} pixels wide screen: {place}")
    session.press(alert, "Return")
    launcher.wait_exit()


if __name__ == "__main__":
    main(test_scale, 100)
