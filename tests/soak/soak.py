"""Soak test of the launcher: many play cycles of the demo game in one launcher run.

Each cycle clicks "Play Game", waits for the demo game's window (the game runs in tour mode,
starts its helper and ends by itself after DEMO_GAME_TOUR_SECONDS), waits for the launcher's
window to come back and for the game and its helper to be gone. After cycle 10 (the baseline,
once the caches and pools have settled) and after the last one, the launcher's open file
descriptors and resident memory are read from /proc. At the end no game or helper may run
and the launcher may have no zombie child.

Targets: descriptor growth 0, VmRSS growth under 1 MB (1024 kB). Exit status 0 when all are
met, 1 when one is missed or a cycle fails, 77 when Xvfb or xdotool is missing.

The X server, the launcher's private home and configuration and the clean-up come from the
end-to-end tests' session (tests/e2e/e2e_session.py).
"""

import argparse
import os
import shutil
import signal
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_session  # noqa: E402
from e2e_session import TestFailure, check, poll  # noqa: E402

# "Play Game" in window coordinates: its 122-pixel slot starts at x 452, y 465 (RAW_002.wdt's
# button row), the button picture is 36 pixels high.
PLAY_X, BUTTON_Y = 452 + 61, 465 + 18
AWAY_X, AWAY_Y = 10, 10
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


def children(pid):
    """(pid, state) of every process whose parent is pid."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as handle:
                fields = handle.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            found.append((int(entry), fields[0]))
    return found


def demo_zombies():
    """Zombies anywhere named like the demo game or its helper. Once the launcher's middle
    process has exited, the game's parent is init (or a subreaper), so these are not the
    launcher's to reap; they are counted for the record only (other tests may run the same
    programs at the same time)."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as handle:
                text = handle.read()
        except OSError:
            continue
        name = text[text.find("(") + 1:text.rfind(")")]
        if name.startswith("demo-") and text.rsplit(")", 1)[1].split()[0] == "Z":
            found.append(int(entry))
    return found


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


def soak(session, cycles, tour_seconds):
    launcher, window = session.start_at_start_page(DEMO_GAME_TOUR_SECONDS=str(tour_seconds))
    time.sleep(SETTLE)
    start_fds, start_rss = proc_figures(launcher.pid)
    print(f"start page: {start_fds} fds, VmRSS {start_rss} kB", flush=True)
    baseline = None
    started = time.monotonic()
    for number in range(1, cycles + 1):
        play_cycle(session, launcher, window, number)
        zombies = [pid for pid, state in children(launcher.pid) if state == "Z"]
        check(not zombies, f"cycle {number}: zombie children of the launcher: {zombies}")
        if number == BASELINE_CYCLE or number == cycles or number % 25 == 0:
            fds, rss = proc_figures(launcher.pid)
            print(f"cycle {number}: {fds} fds, VmRSS {rss} kB "
                  f"({time.monotonic() - started:.0f} s)", flush=True)
            if number == BASELINE_CYCLE:
                baseline = (fds, rss)
    check(baseline is not None, f"fewer cycles ({cycles}) than the baseline's {BASELINE_CYCLE}")
    end_fds, end_rss = proc_figures(launcher.pid)
    leftovers = session.game_pids()
    zombies = [pid for pid, state in children(launcher.pid) if state == "Z"]
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


def private_bundle_copy(bundle):
    """A copy of the bundle in a fresh temporary folder; returns (folder, copy). Starting the
    game reuses a running instance of the same program file, so a test that plays the game
    while another test plays it from the same bundle would be handed that other game (on that
    test's X server). Each run therefore plays its own copy."""
    folder = tempfile.mkdtemp(prefix="gw-soak-")
    copy = os.path.join(folder, os.path.basename(os.path.realpath(bundle)))
    shutil.copytree(bundle, copy, symlinks=True)
    return folder, copy


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bundle", required=True, help="the demo bundle, Demo Game.app")
    parser.add_argument("--screenshot", required=True, help="the demo-screenshot tool")
    parser.add_argument("--artifacts", required=True, help="folder for the launcher's output")
    parser.add_argument("--cycles", type=int, default=200)
    parser.add_argument("--tour-seconds", type=int, default=1,
                        help="how long the demo game runs each cycle (1 to 600)")
    options = parser.parse_args()
    if options.cycles < BASELINE_CYCLE:
        parser.error(f"--cycles must be at least {BASELINE_CYCLE}")
    missing = [tool for tool in ("Xvfb", "xdotool") if not shutil.which(tool)]
    if missing:
        print(f"soak: skipped, {' and '.join(missing)} not installed (scripts/install-deps)")
        return e2e_session.SKIPPED

    def stopped(number, _):
        raise SystemExit(f"soak: stopped by signal {number}")

    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, stopped)
    copy_folder, options.bundle = private_bundle_copy(options.bundle)
    session = e2e_session.Session(options, "soak")
    started = time.monotonic()
    status = 1
    try:
        session.start_x_server()
        soak(session, options.cycles, options.tour_seconds)
        status = 0
    except TestFailure as failure:
        print(f"soak: FAILED: {failure}")
        for launcher in session.launchers:
            with open(launcher.stderr_path, errors="replace") as handle:
                tail = handle.read().splitlines()[-15:]
            if tail:
                print("--- the launcher's last lines:\n" + "\n".join(tail))
    finally:
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(number, signal.SIG_IGN)
        session.close()
        shutil.rmtree(copy_folder, ignore_errors=True)
    print(f"soak: {'passed' if status == 0 else 'failed'} in "
          f"{time.monotonic() - started:.0f} s (launcher output in {options.artifacts})")
    return status


if __name__ == "__main__":
    sys.exit(main())
