#!/usr/bin/env python3
"""A report of an 80,000-driver snapshot (about 33 MB) against Python's
json.load of the same file: the CPU time of each (best of a few runs) and the
report run's peak memory against the file's size. Prints both ratios; fails
when the report takes more CPU than json.load or more than 3 times the file's
size in memory.
usage: bench/floor/snapshot_load.py [PROGRAM] [DRIVERS]"""
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "app", "tallyquest-report")
drivers = int(sys.argv[2]) if len(sys.argv) > 2 else 80000
RUNS = 3

if not os.access(program, os.X_OK):
    sys.exit(f"no {program} (build the tallyquest-report target first)")
if not os.access("/usr/bin/time", os.X_OK):
    sys.exit("/usr/bin/time is needed for peak memory")


def write_snapshot(path):
    """The realistic machine with its drivers multiplied, each told apart."""
    with open(os.path.join(ROOT, "tests", "data", "realistic-machine.json"), encoding="utf-8") as f:
        machine = json.load(f)
    models = machine["Win32_PnPSignedDriver"]
    extra = {"DriverDate": "20230512000000.******+000", "InfName": "oem42.inf", "IsSigned": True,
             "Manufacturer": "(Standard system devices)"}
    out = []
    for i in range(drivers):
        d = dict(models[i % len(models)])
        for key in ("DeviceName", "Description"):
            if key in d:
                d[key] = f"{d[key]} #{i}"
        d["DeviceID"] = f"{d.get('DeviceID', 'ROOT')}\\{i}"
        d["HardWareID"] = f"ROOT\\DEVICE{i % 977}"
        d.update(extra)
        out.append(d)
    machine["Win32_PnPSignedDriver"] = out
    with open(path, "w", encoding="utf-8") as f:
        json.dump(machine, f)


def child_run(args, work):
    """CPU seconds and peak memory (bytes) of one run of a program, through
    /usr/bin/time: a child of this process would count this one's memory."""
    out = os.path.join(work, "time")
    status = subprocess.call(["/usr/bin/time", "-o", out, "-f", "%U %S %M"] + args,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if status != 0:
        sys.exit(f"{' '.join(args)} failed ({status})")
    with open(out, encoding="utf-8") as f:
        user, system, kb = f.read().split()[-3:]
    return float(user) + float(system), int(kb) * 1024


with tempfile.TemporaryDirectory() as work:
    snap = os.path.join(work, "drivers.json")
    write_snapshot(snap)
    size = os.path.getsize(snap)

    best_json = float("inf")
    for _ in range(RUNS):
        start = time.process_time()
        with open(snap, "rb") as f:
            json.load(f)
        best_json = min(best_json, time.process_time() - start)

    best_report, peak = float("inf"), 0
    for i in range(RUNS):
        cpu, rss = child_run([program, "--snapshot", snap, "--folder", work, f"run{i}"], work)
        best_report = min(best_report, cpu)
        peak = max(peak, rss)

    cpu_ratio = best_report / best_json
    mem_ratio = peak / size
    print(f"snapshot of {drivers} drivers: {size / 1e6:.1f} MB")
    print(f"report run {best_report * 1000:.0f} ms of CPU, json.load {best_json * 1000:.0f} ms: "
          f"{cpu_ratio:.2f}x (target at most 1)")
    print(f"report run peak memory {peak / 1e6:.0f} MB: {mem_ratio:.2f}x the file (target at most 3)")
    sys.exit(0 if cpu_ratio <= 1 and mem_ratio <= 3 else 1)
