"""Alerts drawn by the launcher itself, in a window of its own process.

A storefront plug-in that fails to initialise makes the launcher show its stop alert ("The game
cannot run due to an internal error"). The alert's window shows the stop icon, the message and
an OK button; Return answers it, and so does Escape, each ending the launcher with status -1
as a failed initialisation does; SIGTERM while it is open ends the launcher with no window of
it left on the display (no other process shows the alert for it).
"""

import os
import shutil

from e2e_session import check, main, poll
import png_pixels

FAILING_PLUGIN = os.path.join("plugins", "testing", "kxtest-failing-init.so")
FAILED_INIT = 255  # -1


def count(picture, box, wanted):
    left, top, right, bottom = box
    found = 0
    for y in range(max(0, top), min(picture.height, bottom)):
        row = picture.rows[y]
        for x in range(max(0, left), min(picture.width, right)):
            if wanted(row[3 * x], row[3 * x + 1], row[3 * x + 2]):
                found += 1
    return found


def alert_of(session):
    """Starts the launcher, agrees to the licence when asked and returns the launcher and its alert."""
    launcher = session.start_launcher()
    shown = launcher.wait_for(lambda: launcher.windows(), "the agreement or the stop alert")
    if launcher.agreement_windows():
        session.press(shown, "Return")
        poll("the agreement closed", lambda: shown not in launcher.windows())
        shown = launcher.wait_for(lambda: launcher.windows(), "the stop alert")
    return launcher, shown


def test_alert(session):
    build = os.path.dirname(os.path.dirname(session.options.bundle.rstrip("/")))
    shutil.copy(os.path.join(build, FAILING_PLUGIN),
                os.path.join(session.bundle, "Contents", "Resources", "Pellucid.dylib"))

    launcher, alert = alert_of(session)
    picture = png_pixels.read_png(session.settled_screenshot("stop-alert", alert))
    width, height = picture.width, picture.height
    icon = count(picture, (0, 0, 80, 80), lambda r, g, b: r > 150 and g < 80 and b < 80)
    text = count(picture, (80, 0, width, height - 60), lambda r, g, b: r + g + b < 150)
    button = count(picture, (width // 2, height - 60, width, height),
                   lambda r, g, b: b > 150 and b > r + 60)
    check(icon > 500, f"the stop icon is missing ({icon} red pixels)")
    check(text > 300, f"the message and explanation are missing ({text} dark pixels)")
    check(button > 500, f"the OK button is missing ({button} blue pixels)")
    session.press(alert, "Return")
    check(launcher.wait_exit() == FAILED_INIT, "Return did not answer the alert")

    launcher, alert = alert_of(session)
    session.press(alert, "Escape")
    check(launcher.wait_exit() == FAILED_INIT, "Escape did not answer the alert")

    launcher, alert = alert_of(session)
    launcher.process.terminate()
    launcher.wait_exit()
    poll("no window of the launcher left", lambda: not session.windows("--name", "."))


if __name__ == "__main__":
    main(test_alert, 120, private_bundle=True)
