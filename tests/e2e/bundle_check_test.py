"""gwbundle check on the demo bundle as the build made it: it passes without a warning, and a
copy without Tessaly.dat fails with exactly one line naming that file. The launcher itself, run
on that copy, must refuse it the same way. (Each other breakage, and the demo's archives in
other zip tools, are gwbundle's own tests' business.)"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile


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

    with tempfile.TemporaryDirectory(prefix="gw-e2e-check-") as folder:
        copy = os.path.join(folder, "Broken.app")
        shutil.copytree(options.bundle, copy, symlinks=True)
        os.remove(os.path.join(copy, "Contents/Resources/Tessaly.dat"))
        status, lines, errors = run_check(options.gwbundle, copy)
        expected = ["Contents/Resources/Tessaly.dat: missing or unreadable",
                    f"{copy}: 1 problem to fix"]
        problems = [line for line in lines if ": warning: " not in line]
        if status != 1 or len(problems) != 2 or not problems[0].startswith(expected[0]) \
                or problems[1] != expected[1]:
            failures.append(f"without Tessaly.dat, check ended with status {status} and said:\n"
                            + "\n".join(lines) + errors + f"\ninstead of:\n{expected}")
        failures += launcher_refuses(copy)

    for failure in failures:
        print(f"FAILED: {failure}")
    if not failures:
        print("passed: the demo bundle passes; the copy without Tessaly.dat fails as expected")
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
