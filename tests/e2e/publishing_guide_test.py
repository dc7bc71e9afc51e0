"""The "Wrap your game in five minutes" section of docs/publishing.md, run as written: its shell
blocks, in order, in a folder that holds what the section starts from (a game and some pictures,
taken from the demo's art), with a private home. They must end with a bundle that passes the
check, and the game's desktop entry and icon installed (what the entry holds is gwbundle's own
test's business, InstallTest.cpp).

usage: publishing_guide_test.py GUIDE BUILD-DIR"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

SECTION = "## Wrap your game in five minutes"
# What the section starts from, named as it names them, from the demo's art.
PICTURES = {"background.jpg": "Background.jpg", "button.jpg": "button_normal.jpg",
            "button-hover.jpg": "button_hover.jpg", "button-pressed.jpg": "button_pressed.jpg",
            "logo.jpg": "Branding.jpg", "logo-mask.jpg": "BrandingMask.jpg",
            "icon.png": "Icon.png"}


def main(guide, build):
    with open(guide) as handle:
        section = handle.read().split(SECTION, 1)[1].split("\n## ", 1)[0]
    script = "\n".join(re.findall(r"^```sh\n(.*?)^```$", section, re.S | re.M))
    with tempfile.TemporaryDirectory(prefix="gw-five-minutes-") as folder:
        home, work = os.path.join(folder, "home"), os.path.join(folder, "work")
        os.makedirs(home)
        os.makedirs(os.path.join(work, "pictures"))
        for name, demo in PICTURES.items():
            shutil.copyfile(os.path.join(build, "demo", "art", demo),
                            os.path.join(work, "pictures", name))
        with open(os.path.join(work, "EULA.txt"), "w") as handle:
            handle.write("Play fair.\n")
        with open(os.path.join(work, "LanternLake"), "w") as handle:
            handle.write("#!/bin/sh\nexit 0\n")
        os.chmod(os.path.join(work, "LanternLake"), 0o755)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
               "GW": os.path.realpath(build)}
        result = subprocess.run(["sh", "-e", "-c", script], cwd=work, env=env,
                                capture_output=True, text=True, timeout=120)
        data = os.path.join(home, ".local", "share")
        installed = [os.path.isfile(os.path.join(data, path)) for path in (
            "applications/com.example.LanternLake.desktop",
            "icons/hicolor/256x256/apps/com.example.LanternLake.png")]
    output = result.stdout + result.stderr
    if result.returncode != 0 or "all checks passed" not in output or not all(installed):
        print(f"FAILED: the section's commands ended with status {result.returncode}, the "
              f"desktop entry and icon installed: {installed}; they said:\n{output}")
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
