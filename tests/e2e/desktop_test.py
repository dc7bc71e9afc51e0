"""The launcher on a desktop with a window manager (openbox), started and ended the ways a
player starts and ends programs there.

Started through an absolute link in another folder and by a name found on the PATH, the
launcher still finds its bundle and asks for the agreement. The agreement ends, storing
nothing and with status 0, on the title bar's close button, on Ctrl+Q and on SIGTERM. After
agreeing, the main window comes over the agreement's connection to the display and carries the
game's name, its icon and the bundle's identifier as its class for the desktop, and closing it
through the title bar ends the launcher with status 0. Without a display the launcher says so
and ends with a status other than 0.
"""

import os
import shutil

from agreement_test import preference_files
from e2e_session import check, main
import png_pixels

# "Within 3 s" of the user's request: generous for a loaded machine, short beside a hang.
PROMPT_END = 3.0
GAME_NAME = "Demo Game"
BUNDLE_IDENTIFIER = "com.corvane.DemoGame"


def expect_declined(session, launcher, how):
    launcher.wait_quit(how, timeout=PROMPT_END)
    check(not preference_files(session), f"{how} in the agreement stored an answer")


def test_desktop(session):
    links = os.path.join(session.home, "bin")
    os.makedirs(links)
    link = os.path.join(links, "demo-game")
    os.symlink(session.launcher_path, link)

    through_link = session.start_launcher(link)
    session.close_with_window_manager(through_link.wait_agreement())
    expect_declined(session, through_link, "the agreement's close button")

    on_path = session.start_launcher("demo-game", PATH=f"{links}:{os.environ['PATH']}")
    session.press(on_path.wait_agreement(), "ctrl+q")
    expect_declined(session, on_path, "Ctrl+Q")

    signalled = session.start_launcher()
    signalled.wait_agreement()
    signalled.process.terminate()
    expect_declined(session, signalled, "SIGTERM")

    launcher = session.start_launcher()
    agreement = launcher.wait_agreement()
    session.press(agreement, "Return")
    window = launcher.wait_main_window()
    # The server numbers a client's windows from the client's own base (the bits from 21 up
    # on Xvfb): the same base means the same connection, kept from the agreement on.
    check(agreement >> 21 == window >> 21, f"the main window ({window:#x}) came over another "
          f"connection to the display than the agreement ({agreement:#x})")
    for name in ("_NET_WM_NAME", "WM_NAME"):
        shown = session.window_property(window, name)
        check(shown == f'"{GAME_NAME}"', f"the main window's {name} is {shown}, not the game's "
              f"name")
    wm_class = session.window_property(window, "WM_CLASS")
    check(wm_class == f'"{BUNDLE_IDENTIFIER}", "{BUNDLE_IDENTIFIER}"',
          f"the main window's WM_CLASS is {wm_class}, not the bundle identifier")
    # openbox gives a window without an icon one of its own, 48 by 48: the bundle's is larger.
    icon_file = png_pixels.read_png(os.path.join(session.bundle, "Contents/Resources/Icon.png"))
    width, height = icon_file.width, icon_file.height
    # The first two numbers of _NET_WM_ICON are the width and height of its first picture.
    icon = session.run_x_tool("xprop", "-id", str(window), "-f", "_NET_WM_ICON", "32c",
                              " = $0, $1", "_NET_WM_ICON").stdout.strip()
    check(icon.endswith(f" = {width}, {height}"),
          f"the main window's _NET_WM_ICON is not the bundle's icon: {icon}")
    session.close_with_window_manager(window)
    launcher.wait_quit("closing the main window through the title bar", timeout=PROMPT_END)

    # No display to show a window on: a clear line and a status other than 0, never a process
    # that runs on unseen.
    shutil.rmtree(os.path.join(session.config, "Preferences"))
    unseen = session.start_launcher(DISPLAY=":65000")
    status = unseen.wait_exit()
    with open(unseen.stderr_path) as handle:
        said = handle.read()
    check(status != 0 and "cannot open the display" in said,
          f"without a display the launcher ended with status {status} saying {said!r}")


if __name__ == "__main__":
    main(test_desktop, 120, window_manager=True)
