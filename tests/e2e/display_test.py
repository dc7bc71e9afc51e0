"""The display's tests on SDL's real X11 driver: the contract every display backend keeps (which
the unit run checks on the headless display) and the SDL backend's own tests, run by the
DisplayTests program (GW_DISPLAY_TESTS) on a private X server."""

import os
import subprocess

from e2e_session import check, main


def test_display_on_sdl(session):
    program = os.environ.get("GW_DISPLAY_TESTS")
    check(program and os.access(program, os.X_OK), f"no DisplayTests program at {program!r}")
    env = dict(session.env, MACPLATFORM_DISPLAY="sdl")
    output_path = os.path.join(session.artifacts, "DisplayTests.txt")
    with open(output_path, "wb") as output:
        status = subprocess.call([program], env=env, stdin=subprocess.DEVNULL, stdout=output,
                                 stderr=subprocess.STDOUT, timeout=100)
    with open(output_path, errors="replace") as output:
        text = output.read()
    ran = "[  PASSED  ]" in text and "SKIPPED" not in text
    if status != 0 or not ran:
        print(text[-4000:])
    check(status == 0, f"DisplayTests on SDL ended with status {status}")
    check(ran, "DisplayTests on SDL skipped tests or ran none")


if __name__ == "__main__":
    main(test_display_on_sdl, 120)
