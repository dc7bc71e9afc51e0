"""The minimal plug-in printed in docs/plugin-guide.md, built as the guide says against the SDK
as `cmake --install` lays it out (no header or library of the source tree), runs in the
launcher: it draws its frames, sees a click and a key, and ends its session on Escape."""

import os
import re
import shutil
import subprocess

from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, OTHER_X, check, main, pixels, same_pictures

CLICK_X, CLICK_Y = 300, 200
BACKGROUND = (0x20, 0x30, 0x50)
WHITE = (0xFF, 0xFF, 0xFF)


def build_plugin(folder):
    """The guide's plug-in and build line, run in folder with SDK set as the guide says."""
    with open(os.environ["PLUGIN_GUIDE"]) as handle:
        guide = handle.read()
    sources = re.findall(r"^```c\n(.*?)^```$", guide, re.S | re.M)
    builds = [block for block in re.findall(r"^```sh\n(.*?)^```$", guide, re.S | re.M)
              if "minimal.c" in block]
    check(len(sources) == 1 and len(builds) == 1, f"the guide prints {len(sources)} C blocks "
          f"and {len(builds)} build lines for minimal.c, not one of each")
    with open(os.path.join(folder, "minimal.c"), "w") as handle:
        handle.write(sources[0])
    install = '"$CMAKE_COMMAND" --install "$GW_BUILD_DIR" --component plugin-sdk --prefix "$SDK"\n'
    built = subprocess.run(["sh", "-e", "-c", install + builds[0]], cwd=folder, text=True,
                           env=dict(os.environ, SDK=os.path.join(folder, "sdk")),
                           capture_output=True)
    check(built.returncode == 0, f"the SDK's installation or the guide's build line failed:\n"
                                 f"{built.stdout}{built.stderr}")
    return os.path.join(folder, "Pellucid.dylib")


def pixel(path, x, y):
    return pixels(path).getpixel((x, y))


def test_plugin_guide(session):
    folder = os.path.join(session.private, "plugin-guide")
    os.makedirs(folder)
    shutil.copyfile(build_plugin(folder),
                    os.path.join(session.bundle, "Contents", "Resources", "Pellucid.dylib"))

    launcher, window = session.start_at_start_page()
    session.move_mouse(window, AWAY_X, AWAY_Y)
    start_page = session.settled_screenshot("start-page", window)
    session.click(window, OTHER_X, BUTTON_Y)
    session.wait_for_picture("the plug-in's frame", "frame", window,
                             lambda path: pixel(path, 400, 400) == BACKGROUND)
    session.click(window, CLICK_X, CLICK_Y)
    session.wait_for_picture("the square at the click", "click", window,
                             lambda path: pixel(path, CLICK_X, CLICK_Y) == WHITE)
    session.press(window, "b")
    session.wait_for_picture("the colour after a key", "key", window,
                             lambda path: pixel(path, 400, 400) != BACKGROUND)
    session.move_mouse(window, AWAY_X, AWAY_Y)
    session.press(window, "Escape")
    session.wait_for_picture("the start page after the session completed", "back", window,
                             lambda path: same_pictures(path, start_page))
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")
    # The plug-in's own lines: the game's identity, the click and the keys as the guide's
    # plug-in sees them (b is key code 11, Escape 53), its session's end and its shut-down.
    resources = os.path.join(os.path.realpath(session.bundle), "Contents", "Resources", "")
    expected = [f'minimal: initialised for 4217 "Demo Game" by host 6 in {resources}',
                "minimal: session entered", "minimal: first frame",
                f"minimal: click of button 1 at {CLICK_X},{CLICK_Y}",
                "minimal: key 11 character 98", "minimal: key 53 character 27",
                "minimal: session complete", "minimal: shut down"]
    said = [line for line in launcher.output().splitlines() if line.startswith("minimal: ")]
    check(said == expected, f"the plug-in said {said}, not {expected}")


if __name__ == "__main__":
    main(test_plugin_guide, 120, private_bundle=True)
