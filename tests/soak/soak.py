"""Soak test of the launcher: many play cycles of the demo game in one launcher run.

Each cycle clicks "Play Game", waits for the demo game's window (the game runs in tour mode,
starts its helper and ends by itself after DEMO_GAME_TOUR_SECONDS), waits for the launcher's
window to come back and for the game and its helper to be gone. After cycle 10 (the baseline,
once the caches and pools have settled) and after the last one, the launcher's open file
descriptors and resident memory are read from /proc. At the end no game or helper may run
and the launcher may have no zombie child.

Targets: descriptor growth 0, VmRSS growth under 1 MB (1024 kB). Exit status 0 when all are
met, 1 when one is missed or a cycle fails, 77 when Xvfb or xdotool is missing.

The X server, a private copy of the bundle, the launcher's private home and configuration and
the clean-up come from the end-to-end tests' session (tests/e2e/e2e_session.py).
"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_session import AWAY_X, AWAY_Y, BUTTON_Y, PLAY_X, check, main, poll  # noqa: E402

BASELINE_CYCLE = 10
RSS_LIMIT_KB = 1024
# The launcher checks on its game every 0.5 s; give it a moment to draw after it is back.
SETTLE = 0.5


def proc_figures(pid):
    """(open descriptors, VmRSS in kB) of a running process."""
    fds = len(os.listdir(f"/proc/{pid}/fd"))
    rss = None
    with open(f"/proc/{pid}/status") as handle:
        for line in handle:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
    check(rss is not None, f"no VmRSS for {pid}")
    return fds, rss


def processes():
    """(pid, name, state, parent pid) of every process."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat") as handle:
                text = handle.read()
        except OSError:
            continue
        fields = text.rsplit(")", 1)[1].split()
        found.append((int(entry), text[text.find("(") + 1:text.rfind(")")], fields[0],
                      int(fields[1])))
    return found


def zombie_children(pid):
    return [child for child, _, state, parent in processes() if parent == pid and state == "Z"]


def demo_zombies():
    """Zombies anywhere named like the demo game or its helper. Once the launcher's middle
    process has exited, the game's parent is init (or a subreaper), so these are not the
    launcher's to reap; they are counted for the record only (other tests may run the same
    programs at the same time)."""
    return [pid for pid, name, state, _ in processes() if name.startswith("demo-") and state == "Z"]


def play_cycle(session, launcher, window, number):
    session.click(window, PLAY_X, BUTTON_Y)
    poll(f"cycle {number}: the game's window", session.game_windows)
    poll(f"cycle {number}: the game's window gone", lambda: not session.game_windows())
    back = launcher.wait_main_window(f"cycle {number}: the launcher back")
    check(back == window, f"cycle {number}: the launcher came back in window {back}, "
                          f"not {window}")
    poll(f"cycle {number}: the game and its helper ended", lambda: not session.game_pids())
    session.move_mouse(window, AWAY_X, AWAY_Y)
    time.sleep(SETTLE)


def soak(session):
    cycles = session.options.cycles
    check(cycles >= BASELINE_CYCLE, f"--cycles must be at least {BASELINE_CYCLE}")
    launcher, window = session.start_at_start_page(
        DEMO_GAME_TOUR_SECONDS=str(session.options.tour_seconds))
    time.sleep(SETTLE)
    start_fds, start_rss = proc_figures(launcher.pid)
    print(f"start page: {start_fds} fds, VmRSS {start_rss} kB", flush=True)
    baseline = None
    started = time.monotonic()
    for number in range(1, cycles + 1):
        play_cycle(session, launcher, window, number)
        zombies = zombie_children(launcher.pid)
        check(not zombies, f"cycle {number}: zombie children of the launcher: {zombies}")
        if number == BASELINE_CYCLE or number == cycles or number % 25 == 0:
            fds, rss = proc_figures(launcher.pid)
            print(f"cycle {number}: {fds} fds, VmRSS {rss} kB "
                  f"({time.monotonic() - started:.0f} s)", flush=True)
            if number == BASELINE_CYCLE:
                baseline = (fds, rss)
    end_fds, end_rss = proc_figures(launcher.pid)
    leftovers = session.game_pids()
    zombies = zombie_children(launcher.pid)
    fd_growth = end_fds - baseline[0]
    rss_growth = end_rss - baseline[1]
    print(f"after cycle {BASELINE_CYCLE}: {baseline[0]} fds, VmRSS {baseline[1]} kB")
    print(f"after cycle {cycles}: {end_fds} fds, VmRSS {end_rss} kB")
    print(f"fd growth {fd_growth} (target 0), VmRSS growth {rss_growth} kB "
          f"(target under {RSS_LIMIT_KB} kB)")
    print(f"game or helper processes left: {len(leftovers)}, zombie children of the launcher: "
          f"{len(zombies)} (demo-* zombies on the machine, for the record: "
          f"{len(demo_zombies())})")
    missed = []
    if fd_growth != 0:
        missed.append(f"fd growth {fd_growth}")
    if rss_growth >= RSS_LIMIT_KB:
        missed.append(f"VmRSS growth {rss_growth} kB")
    if leftovers:
        missed.append(f"processes left: {session.describe(leftovers)}")
    if zombies:
        missed.append(f"zombies: {zombies}")
    session.press(window, "ctrl+q")
    status = launcher.wait_exit()
    if status != 0:
        missed.append(f"the launcher quit with status {status}")
    check(not missed, "; ".join(missed))


if __name__ == "__main__":
    main(soak, None, private_bundle=True, arguments=[
        ("--cycles", {"type": int, "default": 200}),
        ("--tour-seconds", {"type": int, "default": 1,
                            "help": "how long the demo game runs each cycle (1 to 600)"})])
