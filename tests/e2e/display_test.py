"""The display's tests on SDL's real X11 driver: the contract every display backend keeps (which
the unit run checks on the headless display) and the SDL backend's own tests, run by the
DisplayTests program (GW_DISPLAY_TESTS) on a private X server."""

import os
import subprocess

from e2e_session import check, main


def test_display_on_sdl(session):
    ran = subprocess.run([os.environ["GW_DISPLAY_TESTS"]], stdin=subprocess.DEVNULL,
                         env=dict(session.env, MACPLATFORM_DISPLAY="sdl"), capture_output=True,
                         text=True, timeout=100)
    with open(os.path.join(session.artifacts, "DisplayTests.txt"), "w") as output:
        output.write(ran.stdout + ran.stderr)
    check(ran.returncode == 0 and "[  PASSED  ]" in ran.stdout and "SKIPPED" not in ran.stdout,
          f"DisplayTests on SDL ended with status {ran.returncode}, or skipped tests or ran "
          f"none:\n{ran.stdout[-4000:]}{ran.stderr[-2000:]}")


if __name__ == "__main__":
    main(test_display_on_sdl, 120)
