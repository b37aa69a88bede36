#!/usr/bin/env python3
"""The feed step sweep of examples/feed_step_sweep.m in Python, across machines.

    python3 feed_step_sweep.py                   # a local cluster: scheduler and two workers
    python3 feed_step_sweep.py tcp://host:8786   # the cluster of that scheduler

Simulates the hour of level and temperature control (vaporizer_plant.py,
ported from level_control_loop.m) for every pair of 8 liquid feed steps
(5 to 40 %) and 4 factors on both controllers' gains (0.5 to 2): 32 runs.
It runs them once one after another in this process, then on a
dask.distributed cluster, checks that both give the same bits, and prints
both wall times and a table of the responses.

Without an address it starts a scheduler and two single-threaded workers on
this machine, each a process of its own, as on a cluster, and stops them at
the end. With one, the workers need NumPy, SciPy, dask.distributed and the
mex_suite package for their Python; this script sends them
vaporizer_plant.py itself.

The modules keep no state and every run is independent, so runs can go to
any worker in any order and still give the same bits.
"""

import argparse
import os
import pathlib
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import vaporizer_plant  # noqa: E402

FEED_STEPS = [0.05 + 0.05 * i for i in range(8)]
GAIN_FACTORS = [0.5, 1.0, 1.5, 2.0]


def simulate(p, rest, feed_step, gain):
    """One run: what the comparison and the table need, not its wall time."""
    run = vaporizer_plant.level_control_loop(p, rest, feed_step=feed_step,
                                             gain_factor=(gain, gain))
    return {k: run[k] for k in ("states", "peak_deviation", "peak_time", "settling_time")}


def same_bits(a, b):
    if isinstance(a, dict):
        return a.keys() == b.keys() and all(same_bits(a[k], b[k]) for k in a)
    a, b = np.asarray(a, dtype=float), np.asarray(b, dtype=float)
    return a.shape == b.shape and np.array_equal(a.view(np.uint64), b.view(np.uint64))


class LocalCluster:
    """A scheduler and two workers, each a process started as on a cluster's nodes."""

    def __init__(self, workers=2):
        self.folder = tempfile.TemporaryDirectory(prefix="feed_step_sweep-")
        self.scheduler_file = os.path.join(self.folder.name, "scheduler.json")
        self.log = open(os.path.join(self.folder.name, "cluster.log"), "w")
        # The workers run this interpreter and find mex_suite where it does,
        # whatever the folder and a relative PYTHONPATH.
        import mex_suite
        environment = dict(os.environ)
        environment["PYTHONPATH"] = os.pathsep.join(
            [str(pathlib.Path(mex_suite.__file__).resolve().parents[1])]
            + [str(pathlib.Path(path).resolve())
               for path in environment.get("PYTHONPATH", "").split(os.pathsep) if path])
        common = dict(stdout=self.log, stderr=subprocess.STDOUT, cwd=self.folder.name,
                      env=environment)
        self.processes = [subprocess.Popen(
            [sys.executable, "-m", "distributed.cli.dask_scheduler", "--host", "127.0.0.1",
             "--port", "0", "--no-dashboard", "--scheduler-file", self.scheduler_file], **common)]
        deadline = time.monotonic() + 60
        while not os.path.exists(self.scheduler_file):
            if time.monotonic() > deadline or self.processes[0].poll() is not None:
                self.close()
                raise RuntimeError("the scheduler did not start; see its log")
            time.sleep(0.1)
        for _ in range(workers):
            self.processes.append(subprocess.Popen(
                [sys.executable, "-m", "distributed.cli.dask_worker", "--nthreads", "1",
                 "--nworkers", "1", "--no-dashboard", "--no-nanny",
                 "--local-directory", self.folder.name,
                 "--scheduler-file", self.scheduler_file], **common))
        self.workers = workers

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
        self.log.close()
        self.folder.cleanup()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scheduler", nargs="?",
                        help="address of a running scheduler, e.g. tcp://10.0.0.5:8786")
    arguments = parser.parse_args()

    p = vaporizer_plant.cyclohexane_vaporizer_parameters()
    state, heat, vapour = vaporizer_plant.vaporizer_steady_state(p, 1.0, 100.0)
    rest = {"state": state, "vapour": vapour, "heat": heat}
    runs = [(f, g) for g in GAIN_FACTORS for f in FEED_STEPS]  # feed steps vary fastest

    simulate(p, rest, *runs[0])  # neither timing pays for the first call's setup
    started = time.perf_counter()
    serial = [simulate(p, rest, f, g) for f, g in runs]
    serial_seconds = time.perf_counter() - started

    from distributed import Client, wait

    local = None if arguments.scheduler else LocalCluster()
    try:
        client = (Client(arguments.scheduler, timeout=60) if local is None
                  else Client(scheduler_file=local.scheduler_file, timeout=60))
        with client:
            if local is not None:
                client.wait_for_workers(local.workers, timeout=60)
            workers = len(client.scheduler_info()["workers"])
            client.upload_file(str(HERE / "vaporizer_plant.py"))
            # One run per worker first, as for the serial runs.
            wait(client.map(simulate, [p] * workers, [rest] * workers,
                            [runs[0][0]] * workers, [runs[0][1]] * workers, pure=False))
            [p_on_cluster] = client.scatter([p], broadcast=True)
            [rest_on_cluster] = client.scatter([rest], broadcast=True)
            started = time.perf_counter()
            futures = client.map(simulate, [p_on_cluster] * len(runs),
                                 [rest_on_cluster] * len(runs), [f for f, _ in runs],
                                 [g for _, g in runs], pure=False)
            spread = client.gather(futures)
            cluster_seconds = time.perf_counter() - started
    finally:
        if local is not None:
            local.close()

    if not all(same_bits(a, b) for a, b in zip(serial, spread)):
        sys.exit("feed_step_sweep: the cluster's runs differ from the serial ones")

    print(f"Feed step sweep: {len(runs)} closed-loop hours "
          f"({len(FEED_STEPS)} feed steps x {len(GAIN_FACTORS)} gain factors)")
    print(f"  results identical: serial {serial_seconds:.2f} s, dask.distributed on "
          f"{workers} workers {cluster_seconds:.2f} s ({serial_seconds / cluster_seconds:.2f}x)")
    print("  feed step " + "".join(f"gain x{g:<14.1f}" for g in GAIN_FACTORS))
    for i, f in enumerate(FEED_STEPS):
        cells = []
        for j in range(len(GAIN_FACTORS)):
            run = serial[j * len(FEED_STEPS) + i]
            cells.append(f" {1000 * run['peak_deviation'][0]:+6.1f} mm "
                         f"{run['settling_time'][0]:5.0f} s  ")
        print(f"  {100 * f:8.0f} % " + "".join(cells))
    print("  (peak level deviation, level settling time within 10 mm)")


if __name__ == "__main__":
    main()
