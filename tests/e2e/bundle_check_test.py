"""gwbundle check on the demo bundle as the build made it: it passes without a warning, and a
copy broken in one way fails with exactly one line naming that file. For the missing archive,
the launcher itself is run on the broken copy too and must refuse it the same way. The demo's
archives open in the standard tools, which verify every member's CRC-32."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

RESOURCES = "Contents/Resources"


def remove_tessaly(bundle):
    os.remove(os.path.join(bundle, RESOURCES, "Tessaly.dat"))


def corrupt_background(bundle):
    # A download cut short: the picture's header is there, its image data is not.
    path = os.path.join(bundle, RESOURCES, "Background.jpg")
    with open(path, "rb") as handle:
        head = handle.read(200)
    with open(path, "wb") as handle:
        handle.write(head)


def rename_plugin(bundle):
    plugin = os.path.join(bundle, RESOURCES, "Pellucid.dylib")
    os.rename(plugin, plugin + ".disabled")


BREAKAGES = [
    (remove_tessaly, "Contents/Resources/Tessaly.dat: missing or unreadable"),
    (corrupt_background,
     "Contents/Resources/Background.jpg: is not a JPEG picture the launcher can decode"),
    (rename_plugin, "Contents/Resources/Pellucid.dylib: missing"),
]


def run_check(gwbundle, bundle):
    result = subprocess.run([gwbundle, "check", bundle], capture_output=True, text=True,
                            timeout=60)
    return result.returncode, result.stdout.splitlines(), result.stderr


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--gwbundle", required=True)
    options = parser.parse_args()
    failures = []

    status, lines, errors = run_check(options.gwbundle, options.bundle)
    if status != 0 or lines != [f"{options.bundle}: all checks passed"]:
        failures.append(f"the demo bundle does not pass cleanly (status {status}):\n"
                        + "\n".join(lines) + errors)

    for archive in ("Channel.dat", "Tessaly.dat", "Application.dat"):
        path = os.path.join(options.bundle, RESOURCES, archive)
        unzip = subprocess.run(["unzip", "-tq", path], capture_output=True, text=True)
        if unzip.returncode != 0:
            failures.append(f"unzip -t refuses {archive}:\n{unzip.stdout}{unzip.stderr}")
        try:
            with zipfile.ZipFile(path) as opened:
                damaged = opened.testzip()
        except zipfile.BadZipFile as error:
            damaged = str(error)
        if damaged is not None:
            failures.append(f"Python's zipfile refuses {archive}: {damaged}")

    with tempfile.TemporaryDirectory(prefix="gw-e2e-check-") as folder:
        for breakage, expected in BREAKAGES:
            copy = os.path.join(folder, f"{breakage.__name__}.app")
            shutil.copytree(options.bundle, copy, symlinks=True)
            breakage(copy)
            status, lines, errors = run_check(options.gwbundle, copy)
            report = "\n".join(lines) + errors
            if status != 1:
                failures.append(f"{breakage.__name__}: check ended with status {status}:\n"
                                + report)
            problems = [line for line in lines[:-1] if ": warning: " not in line]
            if len(problems) != 1 or not problems[0].startswith(expected):
                failures.append(f"{breakage.__name__}: expected one line starting "
                                f"'{expected}', got:\n" + report)
            elif lines[-1] != f"{copy}: 1 problem to fix":
                failures.append(f"{breakage.__name__}: the summary is '{lines[-1]}'")
            if breakage is remove_tessaly:
                failures += launcher_refuses(copy)
            shutil.rmtree(copy)

    for failure in failures:
        print(f"FAILED: {failure}")
    if not failures:
        print(f"passed: the demo bundle passes; {len(BREAKAGES)} broken copies fail as expected")
    return 1 if failures else 0


def launcher_refuses(bundle):
    """The launcher on a bundle without Tessaly.dat: one console line, status -1, nothing
    started. With no display its alert is answered on standard error, so no X server is
    needed."""
    env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
    with tempfile.TemporaryDirectory(prefix="gw-e2e-home-") as home:
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"))
        result = subprocess.run([os.path.join(bundle, "Contents/MacOS/GameWrapper")], env=env,
                                capture_output=True, text=True, timeout=60)
    expected = f"{bundle}/Contents GameFile Not present: Resources/Tessaly.dat"
    problems = []
    if result.returncode != 255:
        problems.append(f"the launcher without Tessaly.dat ended with status "
                        f"{result.returncode}, not -1")
    if result.stdout.splitlines() != [expected]:
        problems.append(f"the launcher without Tessaly.dat printed:\n{result.stdout}"
                        f"instead of:\n{expected}")
    return problems


if __name__ == "__main__":
    sys.exit(main())
