"""gwbundle check on the demo bundle as the build made it: it passes without a warning, and a
copy without Tessaly.dat fails with exactly one problem naming that file. The launcher itself,
run on that copy without a display, must refuse it the same way: one console line, status -1,
nothing started. (Each other breakage, and the demo's archives in other zip tools, are
gwbundle's own tests' business.)

usage: bundle_check_test.py BUNDLE GWBUNDLE"""

import os
import shutil
import subprocess
import sys
import tempfile


def run(command, **settings):
    result = subprocess.run(command, capture_output=True, text=True, timeout=60, **settings)
    return result.returncode, result.stdout.splitlines(), result.stderr


def main(bundle, gwbundle):
    found = {"the demo bundle's check": run([gwbundle, "check", bundle])}
    expected = {"the demo bundle's check": (0, [f"{bundle}: all checks passed"], "")}
    with tempfile.TemporaryDirectory(prefix="gw-e2e-check-") as folder:
        copy = os.path.join(folder, "Broken.app")
        shutil.copytree(bundle, copy, symlinks=True)
        os.remove(os.path.join(copy, "Contents/Resources/Tessaly.dat"))
        status, lines, _ = run([gwbundle, "check", copy])
        # Warnings aside; the first line goes on to say why the file cannot be read.
        lines = [line for line in lines if ": warning: " not in line]
        first = "Contents/Resources/Tessaly.dat: missing or unreadable"
        found["the copy's check"] = status, [line[:len(first)] for line in lines[:1]] + lines[1:]
        expected["the copy's check"] = 1, [first, f"{copy}: 1 problem to fix"]
        # Without a display the launcher's alert is answered on standard error.
        env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
        env.update(HOME=folder, XDG_CONFIG_HOME=folder)
        status, lines, _ = run([os.path.join(copy, "Contents/MacOS/GameWrapper")], env=env)
        found["the launcher on the copy"] = status, lines
        expected["the launcher on the copy"] = \
            255, [f"{copy}/Contents GameFile Not present: Resources/Tessaly.dat"]
    failures = [f"{what}: {found[what]}, not {expected[what]}" for what in found
                if found[what] != expected[what]]
    print("\n".join(f"FAILED: {failure}" for failure in failures) or "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
