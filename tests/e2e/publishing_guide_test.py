"""The "Wrap your game in five minutes" section of docs/publishing.md, run as written: its shell
blocks, in order, in a folder that holds what the section starts from (a game and some pictures,
taken from the demo's art), with a private home. They must end with a bundle that passes the
check, and the game's desktop entry and icon installed."""

import argparse
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


def section_commands(guide):
    with open(guide) as handle:
        text = handle.read()
    start = text.index(SECTION)
    end = text.find("\n## ", start + len(SECTION))
    section = text[start:end if end >= 0 else len(text)]
    return re.findall(r"^```sh\n(.*?)^```$", section, re.S | re.M)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--guide", required=True)
    parser.add_argument("--build", required=True)
    options = parser.parse_args()
    blocks = section_commands(options.guide)
    if len(blocks) < 3:
        print(f"FAILED: the section has {len(blocks)} shell blocks")
        return 1

    with tempfile.TemporaryDirectory(prefix="gw-five-minutes-") as folder:
        home = os.path.join(folder, "home")
        work = os.path.join(folder, "work")
        os.makedirs(home)
        os.makedirs(os.path.join(work, "pictures"))
        for name, demo in PICTURES.items():
            shutil.copyfile(os.path.join(options.build, "demo", "art", demo),
                            os.path.join(work, "pictures", name))
        with open(os.path.join(work, "EULA.txt"), "w") as handle:
            handle.write("Play fair.\n")
        game = os.path.join(work, "LanternLake")
        with open(game, "w") as handle:
            handle.write("#!/bin/sh\nexit 0\n")
        os.chmod(game, 0o755)

        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
               "GW": os.path.realpath(options.build)}
        script = "\n".join(blocks)
        result = subprocess.run(["sh", "-e", "-c", script], cwd=work, env=env,
                                capture_output=True, text=True, timeout=120)
        output = result.stdout + result.stderr
        failures = []
        if result.returncode != 0:
            failures.append(f"the commands ended with status {result.returncode}:\n{output}")
        if "all checks passed" not in output:
            failures.append("the build's check did not pass:\n" + output)
        data = os.path.join(home, ".local", "share")
        entry = os.path.join(data, "applications", "com.example.LanternLake.desktop")
        icon = os.path.join(data, "icons", "hicolor", "256x256", "apps",
                            "com.example.LanternLake.png")
        # What the entry holds is gwbundle's own test's business (InstallTest.cpp).
        if not os.path.isfile(entry) or not os.path.isfile(icon):
            failures.append(f"no desktop entry or icon was installed under {data}")
    for failure in failures:
        print(f"FAILED: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
