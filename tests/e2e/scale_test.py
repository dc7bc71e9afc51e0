"""The launcher on a desktop scaled to 200%: with MACPLATFORM_SCALE=2 the start page is a
1440 x 1080 window, a click at the device pixels of a button (twice its point) presses that
button, and the storefront, which lays its 720 x 540 frame out in points, gets its clicks in
points: its "Back to game" button brings back the start page."""

import os
import re

import e2e_session
import png_pixels
from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, OTHER_X, check, main

SCALE = 2
# The middle of the sample storefront's "Back to game" button, in the frame's points.
BACK_X, BACK_Y = 622, 48
# Room for the 1440 x 1080 window.
e2e_session.SCREEN = "2560x1600x24"


def test_scale(session):
    launcher, window = session.start_at_start_page(MACPLATFORM_SCALE=str(SCALE))
    geometry = session.xdotool("getwindowgeometry", str(window)).stdout
    size = re.search(r"Geometry: (\d+)x(\d+)", geometry)
    check(size and (int(size[1]), int(size[2])) == (720 * SCALE, 540 * SCALE),
          f"the window at scale {SCALE} is not 1440 x 1080: {geometry.strip()}")

    session.move_mouse(window, AWAY_X * SCALE, AWAY_Y * SCALE)
    start_page = session.settled_screenshot("start-page", window)
    picture = png_pixels.read_png(start_page)
    check((picture.width, picture.height) == (720 * SCALE, 540 * SCALE),
          f"the start page's picture is {picture.width} x {picture.height}")

    session.click(window, OTHER_X * SCALE, BUTTON_Y * SCALE)
    session.move_mouse(window, AWAY_X * SCALE, AWAY_Y * SCALE)
    first = session.wait_for_picture(
        "the storefront after a click on Other Games at scale 2", "storefront", window,
        lambda path: not session.same_pictures(path, start_page))
    session.wait_for_picture(
        "a later storefront frame", "storefront-later", window,
        lambda path: not session.same_pictures(path, first))

    session.click(window, BACK_X * SCALE, BACK_Y * SCALE)
    session.move_mouse(window, AWAY_X * SCALE, AWAY_Y * SCALE)
    session.wait_for_picture("the start page back after Back to game", "after-back", window,
                             lambda path: session.same_pictures(path, start_page))
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")

    # An alert before any other window (a file of the game missing) is centred on the scaled
    # screen, its place reckoned in points like the screen's size.
    session.use_private_bundle()
    os.remove(os.path.join(session.bundle, "Contents", "Resources", "Channel.dat"))
    launcher = session.start_launcher(MACPLATFORM_SCALE=str(SCALE))
    alert = launcher.wait_for(lambda: launcher.windows(), "the missing file's alert")
    geometry = session.xdotool("getwindowgeometry", str(alert)).stdout
    place = re.search(r"Position: (\d+),(\d+).*Geometry: (\d+)x(\d+)", geometry, re.S)
    screen_width = int(e2e_session.SCREEN.split("x")[0])
    check(place and abs(int(place[1]) + int(place[3]) // 2 - screen_width // 2) <= 2,
          f"the alert is not centred on the {screen_width} pixels wide screen: {geometry.strip()}")
    session.press(alert, "Return")
    launcher.wait_exit()


if __name__ == "__main__":
    main(test_scale, 100)
