#!/usr/bin/env python3
"""A rack of receivers against one: vantor-host runs one operation on 1, 8, 32 and 64 simulated
receivers at once (one vorin-sim serving the whole rack, paced: every byte costs its line time),
at the receivers' real timing (time scale 1).

For each rack it reports the wall time of the whole rack (the vantor-host process, from start to
exit) against one receiver's, the CPU time and peak memory per receiver (each run's own process,
from the rack's summary) and for the whole rack (host, runs and simulator), and the load average
of the machine while it ran.

Usage: bench/rack_bench.py [--build build/native] [--sizes 1,8,32,64] [--operations 0,1]
Takes real time (several minutes): it is a benchmark, not a test.
"""
import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile
import time


def cpu_ms(usage):
    return (usage.ru_utime + usage.ru_stime) * 1000.0


def run_rack(build, folder, operation, size):
    sim = os.path.join(build, "tools", "sim", "vorin-sim")
    host = os.path.join(build, "vantor-host")
    link = os.path.join(folder, f"rack{size}-com")
    report = os.path.join(folder, f"report-{size}-{operation}")
    env = dict(os.environ, DEVVORIN_TIME_SCALE="1")
    simulator = subprocess.Popen([sim, "--count", str(size), "--pace", "--link", link],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    try:
        last = link + str(size)
        for _ in range(500):
            if os.path.lexists(last):
                break
            time.sleep(0.02)
        command = [host, "run", operation, "--ports", f"1-{size}", "--report", report]
        for port in range(1, size + 1):
            command += ["--device", f"{port}={link}{port}"]
        load_before = os.getloadavg()[0]
        started = time.monotonic()
        process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        # The host and every run it waited for.
        _, status, host_usage = os.wait4(process.pid, 0)
        wall = (time.monotonic() - started) * 1000.0
        load_after = os.getloadavg()[0]
    finally:
        simulator.terminate()
    _, _, sim_usage = os.wait4(simulator.pid, 0)
    with open(os.path.join(report, "summary.json")) as summary_file:
        summary = json.load(summary_file)
    runs = summary["runs"]
    return {
        "operation": summary["operation"]["name"],
        "size": size,
        "completed": sum(1 for r in runs if r["result"] == "completed"),
        "exit": os.waitstatus_to_exitcode(status),
        "wall": wall,
        "runWallMean": sum(r["durationMs"] for r in runs) / len(runs),
        "runWallMax": max(r["durationMs"] for r in runs),
        "runCpuMean": sum(r["cpuMs"] for r in runs) / len(runs),
        "runPeakMb": max(r["peakMemoryKb"] for r in runs) / 1024.0,
        "hostCpu": summary["host"]["cpuMs"],
        "hostPeakMb": summary["host"]["peakMemoryKb"] / 1024.0,
        "treeCpu": cpu_ms(host_usage),
        "simCpu": cpu_ms(sim_usage),
        "simPeakMb": sim_usage.ru_maxrss / 1024.0,
        "rackPeakMb": (summary["host"]["peakMemoryKb"] + sum(r["peakMemoryKb"] for r in runs)
                       + sim_usage.ru_maxrss) / 1024.0,
        "load": (load_before + load_after) / 2.0,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/native")
    parser.add_argument("--sizes", default="1,8,32,64")
    parser.add_argument("--operations", default="0,1",
                        help="operations by index (0 the version check, 1 the options report)")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    sizes = [int(s) for s in args.sizes.split(",")]
    # A rack of 64 runs 64 processes with a pipe pair each, and the simulator 64 terminals.
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, max(soft, 4096)), hard))

    rows = []
    with tempfile.TemporaryDirectory(prefix="vorin-rack-") as folder:
        for operation in args.operations.split(","):
            for size in sizes:
                print(f"running: operation {operation}, {size} receivers ...", file=sys.stderr,
                      flush=True)
                rows.append(run_rack(build, folder, operation, size))

    print("| operation | receivers | completed | rack wall ms | rack / one receiver's | rack - "
          "longest run ms | run wall ms mean / max | run CPU ms mean | run peak MB | host CPU ms "
          "/ peak MB | simulator CPU ms / peak MB | whole rack CPU ms / peak MB | CPU ms per "
          "receiver | load |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    missed = []
    for r in rows:
        one = next(o for o in rows if o["operation"] == r["operation"] and o["size"] == 1)
        limit = 1.05 * one["wall"] + 1000.0
        if r["size"] == 32 and r["wall"] > limit:
            missed.append(f"{r['operation']} at 32: {r['wall']:.0f} ms > {limit:.0f} ms")
        # The runs' CPU is in the host's (it waited for them); the simulator's comes on top.
        whole_cpu = r["treeCpu"] + r["simCpu"]
        print(f"| {r['operation']} | {r['size']} | {r['completed']} | {r['wall']:.0f} | "
              f"{r['wall'] / one['wall']:.3f} | {r['wall'] - r['runWallMax']:.0f} | "
              f"{r['runWallMean']:.0f} / {r['runWallMax']:.0f} | {r['runCpuMean']:.0f} | "
              f"{r['runPeakMb']:.1f} | {r['hostCpu']:.0f} / {r['hostPeakMb']:.1f} | "
              f"{r['simCpu']:.0f} / {r['simPeakMb']:.1f} | {whole_cpu:.0f} / "
              f"{r['rackPeakMb']:.1f} | {whole_cpu / r['size']:.1f} | {r['load']:.1f} |")
    print("\ntarget (rack wall <= 1.05 x one receiver's wall + 1 s at 32 receivers): " +
          ("met" if not missed else "missed: " + "; ".join(missed)))


if __name__ == "__main__":
    main()
