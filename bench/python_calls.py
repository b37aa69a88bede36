"""The Python rows of make bench: a vaporizer call and the example's hour
of closed loop from Python against the same in Octave (python_peers.m),
vaporizer_step in two threads against one, and the Dask sweep of
examples/python/feed_step_sweep.py on two local workers against its serial
run. Writes markdown table rows to the file named by the first argument.

    python3 bench/python_calls.py <rows.md> <build-dir>
    python3 bench/python_calls.py --threads      # the row of threads alone

Run with the build's package on PYTHONPATH. Each time is the median over
repetitions; the machine's other work moves the ratios, most of all the
parallel ones on two cores.
"""

import math
import os
import pathlib
import re
import statistics
import subprocess
import sys
import threading
import time

SOURCE = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(SOURCE / "examples" / "python"))

import numpy as np  # noqa: E402

import vaporizer_plant  # noqa: E402
from mex_suite import vaporizer, vaporizer_step  # noqa: E402

QUICK = os.environ.get("MEX_SUITE_BENCH_QUICK") == "1"
REPETITIONS = 5 if QUICK else 21
THREAD_RUNS = 3 if QUICK else 7


def row(what, result, target, met):
    return f"| Python | {what} | {result} | {target} | {'met' if met else 'missed'} |"


def per_call(seconds):
    return f"{seconds * 1e6:.2f} µs" if seconds < 1e-3 else f"{seconds * 1e3:.1f} ms"


def batch_median(call, n):
    times = []
    for _ in range(REPETITIONS):
        started = time.perf_counter()
        for _ in range(n):
            call()
        times.append((time.perf_counter() - started) / n)
    return statistics.median(times)


PROCESS_WORK = """
import sys, time
sys.path.insert(0, sys.argv[1])
import numpy as np, vaporizer_plant
from mex_suite import vaporizer_step
p = vaporizer_plant.cyclohexane_vaporizer_parameters()
state = np.array([0.0054, 0.0153, 0.0113, 0.0650, 0.0339, 0.0855, 1.0, 100])
c = vaporizer_plant.vaporizer_inputs(p, state, 12, 302.3, 1.2 * p.feed2_flow)
for _ in range(int(sys.argv[2])):
    vaporizer_step(*c, 600.0)
"""


def two_processes(calls=6000):
    """One process's time for the same calls over the time of two at once:
    the parallelism the machine's other work leaves, to read the threads by."""
    command = [sys.executable, "-c", PROCESS_WORK, str(SOURCE / "examples" / "python"),
               str(calls)]
    started = time.perf_counter()
    subprocess.run(command, check=True)
    alone = time.perf_counter() - started
    started = time.perf_counter()
    both = [subprocess.Popen(command) for _ in range(2)]
    for process in both:
        process.wait()
    together = time.perf_counter() - started
    return 2 * alone / together


# Samples the scheduler state of the threads named (/proc/<pid>/task/<tid>/stat)
# every half millisecond until they end, and prints the fraction of samples
# in which all were running or runnable (R): a thread waiting for a lock
# sleeps (S), so one lock held over the work makes that 0 however busy the
# machine is, where the speed-up depends on the cores the other jobs leave.
SAMPLER = """
import sys, time
pid, tids = sys.argv[1], sys.argv[2:]
both = samples = 0
while True:
    try:
        states = [open(f"/proc/{pid}/task/{tid}/stat").read().rsplit(")", 1)[1].split()[0]
                  for tid in tids]
    except OSError:
        break
    samples += 1
    both += all(state == "R" for state in states)
    time.sleep(0.0005)
print(both / max(samples, 1))
"""


def thread_speedup(c, state, seconds=1.0):
    """vaporizer_step over intervals of 600 s from states along the way, all
    in this thread, then half of them in each of two threads: as many as take
    one thread twice SECONDS of CPU time, so that each run of two lasts at
    least SECONDS too, THREAD_RUNS runs of each, one after the other.
    Returns the count and the medians of the wall time and of the CPU time
    of one thread and of the busier of two, the shortest run of two, and the
    fraction of the time both threads were running or runnable (SAMPLER). Each thread's CPU time is what it takes on a core of its own,
    so their ratio is the speed-up two free cores would give whatever else
    runs on them now, as long as neither thread waits for a lock."""
    work = []
    for k in range(256):
        inputs = list(c)
        inputs[0] = state * (1 + 1e-3 * (k % 8))
        work.append(inputs)
    cpu = {}

    def advance_all(part, key=0):
        started = time.thread_time()
        for inputs in part:
            vaporizer_step(*inputs, 600.0)
        cpu[key] = time.thread_time() - started

    def two_threads():
        threads = [threading.Thread(target=advance_all, args=(work[k::2], k)) for k in range(2)]
        for thread in threads:
            thread.start()
        return threads

    while True:  # CPU time, which the machine's other work changes less than the wall's
        advance_all(work)
        if cpu[0] >= 2.2 * seconds:
            break
        work *= math.ceil(2.5 * seconds / cpu[0])
    one, two, one_cpu, two_cpu = [], [], [], []
    for _ in range(THREAD_RUNS):
        started = time.perf_counter()
        advance_all(work)
        one.append(time.perf_counter() - started)
        one_cpu.append(cpu[0])
        started = time.perf_counter()
        for thread in two_threads():
            thread.join()
        two.append(time.perf_counter() - started)
        two_cpu.append(max(cpu[0], cpu[1]))
    # One more run of two threads, watched by the sampler.
    threads = two_threads()
    sampler = subprocess.Popen([sys.executable, "-c", SAMPLER, str(os.getpid())]
                               + [str(thread.native_id) for thread in threads],
                               stdout=subprocess.PIPE, text=True)
    for thread in threads:
        thread.join()
    running = float(sampler.communicate()[0])
    median = statistics.median
    return (len(work), median(one), median(two), median(one_cpu), median(two_cpu), min(two),
            running)


def threads_row(c, state):
    intervals, one, two, one_cpu, two_cpu, shortest, running = thread_speedup(c, state)
    machine = two_processes()
    return row(f"vaporizer_step, {intervals} intervals of 600 s: one thread / two threads "
               f"(median of {THREAD_RUNS} runs: {one:.2f} s / {two:.2f} s, the shortest of two "
               f"{shortest:.2f} s; CPU time of one thread / of the busier of two "
               f"{one_cpu:.2f} s / {two_cpu:.2f} s, {one_cpu / two_cpu:.2f}x on two free cores; "
               f"both threads running or runnable in {100 * running:.0f} % of samples, which a "
               f"lock held over the work would make 0; what this machine gave two processes "
               f"at the same time: {machine:.2f}x)", f"{one / two:.2f}x", ">= 1.6x",
               one / two >= 1.6)


def main():
    p = vaporizer_plant.cyclohexane_vaporizer_parameters()
    state = np.array([0.0054, 0.0153, 0.0113, 0.0650, 0.0339, 0.0855, 1.0, 100])
    c = vaporizer_plant.vaporizer_inputs(p, state, 12, 302.3, 1.2 * p.feed2_flow)
    if sys.argv[1] == "--threads":
        print(threads_row(c, state))
        return
    rows_file, build_dir = sys.argv[1], sys.argv[2]
    rows = []

    octave = subprocess.run(
        ["octave-cli", "--norc", "--quiet", "--no-window-system", "--no-history", "--eval",
         f"addpath('{SOURCE / 'bench'}'); python_peers('{build_dir}', {REPETITIONS})"],
        check=True, capture_output=True, text=True).stdout.split()
    octave_call, octave_hour = float(octave[0]), float(octave[1])

    # The example's arrays as they are: 1-D vectors and C-ordered 7-by-7
    # matrices, which the call reads in Octave's column-major order.
    python_call = batch_median(lambda: vaporizer(*c), 2000)
    rows.append(row(f"vaporizer call from Python / from Octave ({per_call(python_call)} / "
                    f"{per_call(octave_call)})", f"{python_call / octave_call:.2f}x", "<= 1x",
                    python_call <= octave_call))

    state_rest, heat, vapour = vaporizer_plant.vaporizer_steady_state(p, 1.0, 100.0)
    rest = {"state": state_rest, "vapour": vapour, "heat": heat}
    vaporizer_plant.level_control_loop(p, rest)
    hours = []
    for _ in range(5):
        started = time.perf_counter()
        vaporizer_plant.level_control_loop(p, rest)
        hours.append(time.perf_counter() - started)
    python_hour = statistics.median(hours)
    rows.append(row(f"the example's hour of closed loop (1800 intervals), Python / Octave "
                    f"({python_hour:.3f} s / {octave_hour:.3f} s)",
                    f"{python_hour / octave_hour:.2f}x", "<= 1x", python_hour <= octave_hour))

    rows.append(threads_row(c, state))

    sweep = subprocess.run([sys.executable, str(SOURCE / "examples" / "python" / "feed_step_sweep.py")],
                           check=True, capture_output=True, text=True).stdout
    found = re.search(r"identical: serial ([\d.]+) s, dask.distributed on (\d+) workers ([\d.]+) s",
                      sweep)
    serial, workers, spread = float(found[1]), int(found[2]), float(found[3])
    rows.append(row(f"feed_step_sweep.py, 32 closed-loop hours: serial / dask.distributed on "
                    f"{workers} local workers ({serial:.2f} s / {spread:.2f} s)",
                    f"{serial / spread:.2f}x", ">= 1.6x", serial / spread >= 1.6))

    print("\n".join(rows))
    pathlib.Path(rows_file).write_text("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
