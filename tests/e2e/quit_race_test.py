"""Ctrl+Q must end the launcher with status 0 every time, also when typed in the same instant
as the window gets the focus, where the fault below shows most often.

Known failure, so CTest keeps this test disabled until it is fixed: one start in three to ten
here (and now and then in the other tests, which let it through with a note) ends with status
1 and, on standard error, Xlib's "X Error of failed request: BadWindow" for X_SendEvent with a
low serial number, after the teardown has run. The low serial points at SDL's second X
connection, over which it sends the event that wakes its own wait; that event goes to the main
window, which the teardown has destroyed by the time the server handles it, and the default
Xlib error handler then ends the process. Until then run it by hand, with the arguments CTest
gives the other tests (ctest -N -V -R e2e_quit shows them)."""

from e2e_session import check, main

STARTS = 10


def test_quit_race(session):
    statuses = []
    for _ in range(STARTS):
        launcher, window = session.start_at_start_page()
        session.focus(window)
        session.xdotool("key", "--clearmodifiers", "ctrl+q")
        statuses.append(launcher.wait_exit())
    failed = [status for status in statuses if status != 0]
    check(not failed, f"{len(failed)} of {STARTS} quits ended with a status other than 0: "
                      f"{statuses}")


if __name__ == "__main__":
    main(test_quit_race, 120)
