"""Soak test of the launcher: many play cycles of the demo game in one launcher run.

Each cycle clicks "Play Game", waits for the demo game's window (the game runs in tour mode,
starts its helper and ends by itself after DEMO_GAME_TOUR_SECONDS), waits for the launcher's
window to come back and for the game and its helper to be gone; the launcher may have no zombie
child. After cycle 10 (the baseline, once the caches and pools have settled) and after the last
one, the launcher's open file descriptors and resident memory are read from /proc; Ctrl+Q then
ends it with status 0.

Targets: descriptor growth 0, VmRSS growth under 1 MB (1024 kB). Exit status 0 when all are
met, 1 when one is missed or a cycle fails, 77 when Xvfb or xdotool is missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_session import check, main, proc_state  # noqa: E402

BASELINE_CYCLE = 10
RSS_LIMIT_KB = 1024
# The launcher checks on its game every 0.5 s; give it a moment to draw after it is back.
SETTLE = 0.5


def proc_figures(pid):
    """(open descriptors, VmRSS in kB) of a running process."""
    with open(f"/proc/{pid}/status") as handle:
        rss = [int(line.split()[1]) for line in handle if line.startswith("VmRSS:")]
    check(rss, f"no VmRSS for {pid}")
    return len(os.listdir(f"/proc/{pid}/fd")), rss[0]


def soak(session):
    cycles = session.options.cycles
    check(cycles >= BASELINE_CYCLE, f"--cycles must be at least {BASELINE_CYCLE}")
    launcher, window = session.start_at_start_page(
        DEMO_GAME_TOUR_SECONDS=str(session.options.tour_seconds))
    time.sleep(SETTLE)
    print("start page: %d fds, VmRSS %d kB" % proc_figures(launcher.pid), flush=True)
    started = time.monotonic()
    for number in range(1, cycles + 1):
        session.play_once(launcher, window, f"cycle {number}")
        time.sleep(SETTLE)
        zombies = [pid for pid in filter(str.isdigit, os.listdir("/proc"))
                   if proc_state(pid) == ("Z", launcher.pid)]
        check(not zombies, f"cycle {number}: zombie children of the launcher: {zombies}")
        if number in (BASELINE_CYCLE, cycles) or number % 25 == 0:
            fds, rss = proc_figures(launcher.pid)
            print(f"cycle {number}: {fds} fds, VmRSS {rss} kB "
                  f"({time.monotonic() - started:.0f} s)", flush=True)
            if number == BASELINE_CYCLE:
                baseline_fds, baseline_rss = fds, rss
    fd_growth, rss_growth = fds - baseline_fds, rss - baseline_rss
    print(f"fd growth {fd_growth} (target 0), VmRSS growth {rss_growth} kB (target under "
          f"{RSS_LIMIT_KB} kB)")
    check(fd_growth == 0 and rss_growth < RSS_LIMIT_KB, "the launcher's descriptors or memory grew")
    session.press(window, "ctrl+q")
    launcher.wait_quit("Ctrl+Q")

if __name__ == "__main__":
    main(soak, None, private_bundle=True, arguments=[
        ("--cycles", {"type": int, "default": 200}),
        ("--tour-seconds", {"type": int, "default": 1,
                            "help": "how long the demo game runs each cycle (1 to 600)"})])
