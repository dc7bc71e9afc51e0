"""The launcher on a desktop with a window manager (openbox), started and ended the ways a
player starts and ends programs there.

Started through an absolute link in another folder and by a name found on the PATH, the
launcher still finds its bundle and asks for the agreement, without its main window. The
agreement ends, storing nothing and with status 0, on the title bar's close button, on Ctrl+Q,
on SIGTERM and on a click on Decline. After agreeing with Return, the main window comes over
the agreement's connection to the display and carries the game's name, its icon and the
bundle's identifier as its class for the desktop, and closing it through the title bar ends
the launcher with status 0; the next starts go straight to the start page, and Ctrl+Q typed as
the window gets the focus ends each with status 0. Without a display the launcher says so and
ends with a status other than 0.
"""

import os
import shutil

from e2e_session import check, main, pixels

# "Within 3 s" of the user's request: generous for a loaded machine, short beside a hang.
PROMPT_END = 3.0
# The Decline button of the agreement window in demo/main.nib: x 340, y 370, 100 x 30.
DECLINE_X, DECLINE_Y = 390, 385
BUNDLE_IDENTIFIER = "com.corvane.DemoGame"
QUICK_QUITS = 10


def expect_declined(session, launcher, how):
    launcher.wait_quit(how, timeout=PROMPT_END)
    stored = os.path.exists(os.path.join(session.config, "Preferences"))
    check(not stored, f"{how} in the agreement stored an answer")


def test_desktop(session):
    links = os.path.join(session.home, "bin")
    os.makedirs(links)
    os.symlink(session.launcher_path, os.path.join(links, "demo-game"))
    through_link = session.start_launcher(os.path.join(links, "demo-game"))
    session.close_with_window_manager(through_link.wait_agreement())
    expect_declined(session, through_link, "the agreement's close button")

    on_path = session.start_launcher("demo-game", PATH=f"{links}:{os.environ['PATH']}")
    session.press(on_path.wait_agreement(), "ctrl+q")
    expect_declined(session, on_path, "Ctrl+Q")

    signalled = session.start_launcher()
    signalled.wait_agreement()
    signalled.process.terminate()
    expect_declined(session, signalled, "SIGTERM")

    declined = session.start_launcher()
    # A person clicks a button they can see: a click that reaches the window before the
    # launcher has drawn it may be taken by no view.
    agreement = declined.wait_agreement()
    session.settled_screenshot("agreement", agreement)
    check(not declined.main_windows(), "the main window is shown together with the agreement")
    session.click(agreement, DECLINE_X, DECLINE_Y)
    expect_declined(session, declined, "a click on Decline")

    launcher = session.start_launcher()
    agreement = launcher.wait_agreement()
    session.press(agreement, "Return")
    window = launcher.wait_main_window()
    # The server numbers a client's windows from the client's own base (the bits from 21 up
    # on Xvfb): the same base means the same connection, kept from the agreement on.
    check(agreement >> 21 == window >> 21, f"the main window ({window:#x}) came over another "
          f"connection to the display than the agreement ({agreement:#x})")
    # openbox gives a window without an icon one of its own, 48 by 48: the bundle's is larger.
    # The first two numbers of _NET_WM_ICON are the width and height of its first picture.
    icon = pixels(os.path.join(session.bundle, "Contents/Resources/Icon.png")).size
    shown = session.run_x_tool("xprop", "-id", str(window), "-f", "_NET_WM_ICON", "32c",
                               " = $0, $1", "_NET_WM_NAME", "WM_NAME", "WM_CLASS",
                               "_NET_WM_ICON").stdout.splitlines()
    expected = ['_NET_WM_NAME(UTF8_STRING) = "Demo Game"', 'WM_NAME(STRING) = "Demo Game"',
                f'WM_CLASS(STRING) = "{BUNDLE_IDENTIFIER}", "{BUNDLE_IDENTIFIER}"',
                f"_NET_WM_ICON(CARDINAL) = {icon[0]}, {icon[1]}"]
    check(shown == expected, f"the main window's name, class and icon for the desktop are "
          f"{shown}, not {expected}")
    session.close_with_window_manager(window)
    launcher.wait_quit("closing the main window through the title bar", timeout=PROMPT_END)

    # Agreed once: the next starts go straight to the start page, and each ends with status 0
    # on Ctrl+Q typed in the same instant as the window gets the focus. (SDL's wait used to
    # wake itself by an event sent over a second X connection to a window that the teardown
    # had just destroyed; the BadWindow error then ended about one quit in thirty, under load,
    # with status 1. The event loop now sleeps on the display's own connection.)
    for start in range(1, QUICK_QUITS + 1):
        again = session.start_launcher()
        again.wait_for(lambda: again.agreement_windows() or again.main_windows(), "a next start")
        check(not again.agreement_windows(), "the agreement was asked for a second time")
        session.focus(again.wait_main_window())
        session.xdotool("key", "--clearmodifiers", "ctrl+q")
        again.wait_quit(f"Ctrl+Q at once on the next start {start}")

    # No display to show a window on: a clear line and a status other than 0, never a process
    # that runs on unseen.
    shutil.rmtree(os.path.join(session.config, "Preferences"))
    unseen = session.start_launcher(DISPLAY=":65000")
    status = unseen.wait_exit()
    said = unseen.output(unseen.stderr_path)
    check(status != 0 and "cannot open the display" in said,
          f"without a display the launcher ended with status {status} saying {said!r}")


if __name__ == "__main__":
    main(test_desktop, 120, window_manager=True)
