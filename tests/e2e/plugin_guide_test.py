"""The minimal plug-in printed in docs/plugin-guide.md, built as the guide says against the SDK
as `cmake --install` lays it out (no header or library of the source tree), runs in the
launcher: it draws its frames, sees a click and a key, and ends its session on Escape."""

import os
import re
import shutil
import subprocess
import tempfile

from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, OTHER_X, check, main, poll
import png_pixels

CLICK_X, CLICK_Y = 300, 200
BACKGROUND = (0x20, 0x30, 0x50)
WHITE = (0xFF, 0xFF, 0xFF)


def guide_blocks(path, language):
    with open(path) as handle:
        return re.findall(rf"^```{language}\n(.*?)^```$", handle.read(), re.S | re.M)


def build_plugin(folder):
    """The guide's plug-in and build line, run in folder with SDK set as the guide says."""
    guide = os.environ["PLUGIN_GUIDE"]
    sources = guide_blocks(guide, "c")
    check(len(sources) == 1, f"the guide prints {len(sources)} C blocks, not one plug-in")
    with open(os.path.join(folder, "minimal.c"), "w") as handle:
        handle.write(sources[0])
    sdk = os.path.join(folder, "sdk")
    install = subprocess.run([os.environ.get("CMAKE_COMMAND", "cmake"), "--install",
                              os.environ["GW_BUILD_DIR"], "--component", "plugin-sdk", "--prefix",
                              sdk], capture_output=True, text=True)
    check(install.returncode == 0, f"the SDK did not install:\n{install.stderr}")
    builds = [block for block in guide_blocks(guide, "sh") if "minimal.c" in block]
    check(len(builds) == 1, "the guide has no one build line for minimal.c")
    env = dict(os.environ, SDK=sdk)
    built = subprocess.run(["sh", "-e", "-c", builds[0]], cwd=folder, env=env,
                           capture_output=True, text=True)
    check(built.returncode == 0, f"the guide's build line failed:\n{built.stdout}{built.stderr}")
    return os.path.join(folder, "Pellucid.dylib")


def pixel(path, x, y):
    return png_pixels.read_png(path).pixel(x, y)


def test_plugin_guide(session):
    folder = tempfile.mkdtemp(prefix="gw-plugin-guide-")
    try:
        plugin = build_plugin(folder)
        shutil.copyfile(plugin, os.path.join(session.bundle, "Contents", "Resources",
                                             "Pellucid.dylib"))
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    launcher, window = session.start_at_start_page()
    check("minimal: initialised for 4217 \"Demo Game\" by host 6 in " in launcher.stdout(),
          "the plug-in was not initialised with the game's identity:\n" + launcher.stdout())
    session.move_mouse(window, AWAY_X, AWAY_Y)
    start_page = session.settled_screenshot("start-page", window)

    session.click(window, OTHER_X, BUTTON_Y)
    session.wait_for_picture("the plug-in's frame", "frame", window,
                             lambda path: pixel(path, 400, 400) == BACKGROUND)
    session.click(window, CLICK_X, CLICK_Y)
    session.wait_for_picture("the square at the click", "click", window,
                             lambda path: pixel(path, CLICK_X, CLICK_Y) == WHITE)
    check(f"minimal: click of button 1 at {CLICK_X},{CLICK_Y}" in launcher.stdout(),
          "the click did not reach the plug-in:\n" + launcher.stdout())

    session.press(window, "b")
    session.wait_for_picture("the colour after a key", "key", window,
                             lambda path: pixel(path, 400, 400) != BACKGROUND)
    check("minimal: key 11 character 98" in launcher.stdout(),
          "the key b did not arrive as key code 11, character 'b':\n" + launcher.stdout())

    session.move_mouse(window, AWAY_X, AWAY_Y)
    session.press(window, "Escape")
    session.wait_for_picture("the start page after the session completed", "back", window,
                             lambda path: session.same_pictures(path, start_page))
    poll("the completion in the output",
         lambda: "minimal: session complete" in launcher.stdout(), timeout=5)
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")
    check("minimal: shut down" in launcher.stdout(), "the plug-in was not shut down")


if __name__ == "__main__":
    main(test_plugin_guide, 120, private_bundle=True)
