#!/usr/bin/env python3
"""Every operation against its floor: vantor-host + libDevVorin.so + vorin-sim over a real
pseudo-terminal at the receiver's real timing (time scale 1).

For each case it reports the wall time of DoOperation, its floor (the fixed waits and read
time-outs the run spent, taken from its wire trace, plus the bytes on the wire at the line speed
in force, 10 bits a byte), the ratio wall / floor, the CPU time and the peak memory of the host
process (host and plug-in are one process).

The simulator paces its line (vorin-sim --pace): every byte costs 10 bits at the line speed in
force, as on a cable, so the wire part of the floor is spent; --unpaced measures as a
pseudo-terminal carries bytes, at once.

Usage: bench/floor_bench.py [--build build/native] [--only SUBSTRING] [--keep FOLDER] [--unpaced]
Takes real time (minutes): it is a benchmark, not a test.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

PROFILES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "sim", "profiles")


def registry_file(folder, max_baud):
    path = os.path.join(folder, f"maxbaud-{max_baud}.reg")
    with open(path, "w", encoding="ascii") as out:
        out.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Vantor\\Devices\\Orrick Receiver]\n"
                  f"\"MaxBaud\"=dword:{max_baud:08x}\n")
    return path


def floor_of(trace_path):
    """Fixed waits, read time-outs and wire time (ms) from a trace, and the bytes counted."""
    waits = timeouts = wire = 0.0
    baud = 9600
    count = 0
    with open(trace_path, encoding="ascii") as trace:
        for line in trace:
            event = json.loads(line)
            kind = event["event"]
            if kind == "wait":
                waits += event["lengthMs"]
            elif kind == "timeout":
                timeouts += event["lengthMs"]
            elif kind == "open":
                baud = event["baud"]
            elif kind == "line" and event["setting"] == "baud":
                baud = event["value"]
            elif kind in ("write", "read"):
                size = len(event["hex"]) // 2
                count += size
                wire += size * 10 * 1000.0 / baud
    return waits, timeouts, wire, count


def operations(host, plugin_env):
    listing = subprocess.run([host, "list"], env=plugin_env, capture_output=True, text=True,
                             check=True).stdout
    names = []
    for line in listing.splitlines():
        if line.startswith("[") and "] " in line:
            names.append(line.split("] ", 1)[1])
    return names


def run_case(build, folder, legend, operation, profile, extra_env, answers, paced=True):
    sim = os.path.join(build, "tools", "sim", "vorin-sim")
    host = os.path.join(build, "vantor-host")
    link = os.path.join(folder, "port")
    trace = os.path.join(folder, "trace.jsonl")
    sim_args = [sim, "--link", link] + (["--pace"] if paced else [])
    if profile:
        sim_args += ["--profile", os.path.join(PROFILES, profile + ".json")]
    env = dict(os.environ, DEVVORIN_TIME_SCALE="1", **extra_env)
    simulator = subprocess.Popen(sim_args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    try:
        for _ in range(250):
            if os.path.lexists(link):
                break
            time.sleep(0.02)
        command = [host, "run", operation, "--port", "5", "--device", link, "--json", "--trace", trace]
        if answers:
            command += ["--answer", answers]
        output = os.path.join(folder, "run.json")
        started = time.monotonic()
        with open(output, "w") as out:
            process = subprocess.Popen(command, env=env, stdout=out, stderr=subprocess.DEVNULL)
            # The host's own resource use, apart from the simulator's.
            _, _, usage = os.wait4(process.pid, 0)
            process.returncode = 0
        elapsed = (time.monotonic() - started) * 1000.0
    finally:
        simulator.terminate()
        simulator.wait()
    with open(output) as document_file:
        document = json.load(document_file)
    waits, timeouts, wire, count = floor_of(trace)
    floor = waits + timeouts + wire
    wall = document["durationMs"]
    cpu = (usage.ru_utime + usage.ru_stime) * 1000.0
    return {
        "case": legend,
        "result": document["result"]["meaning"],
        "wall": wall,
        "process": elapsed,
        "waits": waits,
        "timeouts": timeouts,
        "bytes": count,
        "wire": wire,
        "floor": floor,
        "ratio": wall / floor if floor > 0 else float("inf"),
        "cpu": cpu,
        "peakMb": usage.ru_maxrss / 1024.0,  # the host, which holds the plug-in
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/native")
    parser.add_argument("--only", default="")
    parser.add_argument("--keep", default="", help="copy each run's trace into this folder")
    parser.add_argument("--unpaced", action="store_true",
                        help="the simulator does not spend the line's time on its bytes")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    host = os.path.join(build, "vantor-host")

    rows = []
    with tempfile.TemporaryDirectory(prefix="vorin-floor-") as folder:
        keys = dict(DEVVORIN_KEYS="ctrl,alt")
        cases = []
        plain = operations(host, dict(os.environ))
        for name in operations(host, dict(os.environ, **keys)):
            # The service operation shows only with Ctrl+Alt held at load.
            cases.append((f"{name}, default receiver", name, "", {} if name in plain else keys))
        for name in plain:
            if "error log" in name.lower():
                # Ctrl+Alt held: the service view, read from memory through the monitor.
                cases.append((f"{name}, Ctrl+Alt held, default receiver", name, "", keys))
                for baud in (9600, 115200):
                    cases.append((f"{name}, monitor mode, {baud} baud", name,
                                  "error-log-monitor-layout1",
                                  dict(DEVVORIN_REGISTRY_FILE=registry_file(folder, baud))))
        for legend, name, profile, extra in cases:
            if args.only and args.only not in legend:
                continue
            print(f"running: {legend} ...", file=sys.stderr, flush=True)
            # The wipe asks first; unattended it declines, so the run says yes.
            answers = "yes" if name.startswith("Wipe") else ""
            rows.append(run_case(build, folder, legend, name, profile, extra, answers,
                                 not args.unpaced))
            if args.keep:
                os.makedirs(args.keep, exist_ok=True)
                safe = "".join(c if c.isalnum() else "-" for c in legend)
                shutil.copy(os.path.join(folder, "trace.jsonl"), os.path.join(args.keep, safe + ".jsonl"))

    print("| case | result | wall ms | floor ms (waits + time-outs + wire) | bytes | wall / floor | "
          "wall - floor ms | CPU ms (% of wall) | peak MB |")
    print("|---|---|---|---|---|---|---|---|---|")
    for r in rows:
        print(f"| {r['case']} | {r['result']} | {r['wall']:.0f} | {r['floor']:.0f} "
              f"({r['waits']:.0f} + {r['timeouts']:.0f} + {r['wire']:.0f}) | {r['bytes']} | "
              f"{r['ratio']:.4f} | {r['wall'] - r['floor']:.0f} | "
              f"{r['cpu']:.0f} ({100.0 * r['cpu'] / r['wall']:.2f} %) | {r['peakMb']:.1f} |")
    missed = [r["case"] for r in rows
              if r["wall"] > r["floor"] * 1.01 + 50 or r["cpu"] > 0.02 * r["wall"] or r["peakMb"] > 16]
    print("\ntargets (wall <= floor x 1.01 + 50 ms, CPU <= 2 % of wall, peak <= 16 MB): " +
          ("all met" if not missed else "missed by " + "; ".join(missed)))


if __name__ == "__main__":
    main()
