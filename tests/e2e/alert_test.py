"""Alerts drawn by the launcher itself, in a window of its own process.

A storefront plug-in that fails to initialise makes the launcher show its stop alert ("The game
cannot run due to an internal error"). The alert's window shows the stop icon, the message and
an OK button; Return answers it, and so does Escape, each ending the launcher with status -1
as a failed initialisation does; SIGTERM while it is open ends the launcher with no window of
it left on the display (no other process shows the alert for it).
"""

import os
import shutil

from e2e_session import check, main, pixels, poll

FAILING_PLUGIN = os.path.join("plugins", "testing", "kxtest-failing-init.so")
FAILED_INIT = 255  # -1


def count(picture, box, wanted):
    return sum(1 for rgb in picture.crop(box).getdata() if wanted(*rgb))


def test_alert(session):
    build = os.path.dirname(os.path.dirname(session.options.bundle.rstrip("/")))
    shutil.copy(os.path.join(build, FAILING_PLUGIN),
                os.path.join(session.bundle, "Contents", "Resources", "Pellucid.dylib"))

    # The alert takes the main window's place: the launcher's first window after the agreement.
    launcher, alert = session.start_at_start_page()
    picture = pixels(session.settled_screenshot("stop-alert", alert))
    width, height = picture.size
    found = {"red pixels of the stop icon": count(picture, (0, 0, 80, 80),
                                                  lambda r, g, b: r > 150 and g < 80 and b < 80),
             "dark pixels of the message": count(picture, (80, 0, width, height - 60),
                                                 lambda r, g, b: r + g + b < 150),
             "blue pixels of the OK button": count(picture, (width // 2, height - 60, width,
                                                             height),
                                                   lambda r, g, b: b > 150 and b > r + 60)}
    check(min(found.values()) > 500, f"the stop alert lacks a part: {found}")
    session.press(alert, "Return")
    check(launcher.wait_exit() == FAILED_INIT, "Return did not answer the alert")

    launcher, alert = session.start_at_start_page()
    session.press(alert, "Escape")
    check(launcher.wait_exit() == FAILED_INIT, "Escape did not answer the alert")

    launcher, alert = session.start_at_start_page()
    launcher.process.terminate()
    launcher.wait_exit()
    poll("no window of the launcher left", lambda: not session.windows("--name", "."))


if __name__ == "__main__":
    main(test_alert, 120, private_bundle=True)
