"""The licence agreement on the launcher's first start.

A first start shows the agreement window; Return (the default button, Agree) closes it and the
start page follows, and the agreement is written to the private preferences. A second start
with the same preferences goes straight to the start page. With fresh preferences, Decline ends
the launcher with status 0 before its main window or the storefront plug-in ever comes up.
"""

import glob
import os
import shutil

from e2e_session import PLUGIN_LOADED, check, main, poll

# The Decline button of the agreement window in demo/main.nib: x 340, y 370, 100 x 30.
DECLINE_X, DECLINE_Y = 390, 385
# The demo game's application ID in demo/RAW_002.wdt names the key of its agreement.
AGREEMENT_KEY = "4217.eula_agreed"


def preference_files(session):
    return glob.glob(os.path.join(session.config, "Preferences", "ByHost", "com.Pellucid.*.plist"))


def test_agreement(session):
    first = session.start_launcher()
    agreement = first.wait_agreement()
    session.screenshot("agreement", agreement)
    check(not first.main_windows(), "the main window is shown together with the agreement")
    check(not preference_files(session), "preferences were written before the user agreed")

    session.press(agreement, "Return")
    poll("the agreement window closed after Return", lambda: not first.agreement_windows())
    start_page = first.wait_main_window("the start page after agreeing")
    picture = session.settled_screenshot("start-page", start_page)
    files = preference_files(session)
    check(len(files) == 1, f"one preference file expected after agreeing, found {files}")
    with open(files[0], "rb") as handle:
        check(AGREEMENT_KEY.encode() in handle.read(),
              f"{files[0]} does not hold the key {AGREEMENT_KEY}")
    check(os.stat(files[0]).st_mode & 0o077 == 0, f"{files[0]} is open to other users")
    session.press(start_page, "ctrl+q")
    first.wait_quit("Ctrl+Q")

    # Same preferences: the start page comes up and the agreement never shows.
    second = session.start_launcher()
    shown = poll("a window of the second start",
                 lambda: second.agreement_windows() or second.main_windows())
    check(not second.agreement_windows(), "the agreement was asked for a second time")
    again = second.main_windows()
    check(shown == again, "the second start shows no start page")
    second_picture = session.settled_screenshot("start-page-again", again[0])
    check(session.same_pictures(picture, second_picture),
          f"the second start page differs from the first (see {second_picture})")
    session.press(again[0], "ctrl+q")
    second.wait_quit("Ctrl+Q on the second start")

    # Fresh preferences: Decline ends the launcher before anything else starts.
    shutil.rmtree(os.path.join(session.config, "Preferences"))
    third = session.start_launcher()
    agreement = third.wait_agreement()
    # A person clicks a button they can see: a click that reaches the window before the
    # launcher has drawn it may be taken by no view.
    session.settled_screenshot("agreement-before-decline", agreement)
    session.click(agreement, DECLINE_X, DECLINE_Y)
    main_windows_seen = set()

    def ended():
        main_windows_seen.update(third.main_windows(visible=False))
        return not third.running()

    poll("the launcher ended after Decline", ended, interval=0.02)
    check(third.process.returncode == 0,
          f"Decline ended the launcher with status {third.process.returncode}, not 0")
    check(not main_windows_seen, "Decline was followed by the main window")
    check(PLUGIN_LOADED not in third.stdout(),
          "the storefront plug-in was loaded although the user declined")
    check(not preference_files(session), "Decline wrote preferences")


if __name__ == "__main__":
    main(test_agreement, 90)
