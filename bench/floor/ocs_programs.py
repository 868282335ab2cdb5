#!/usr/bin/env python3
"""The inventory file of a Windows machine with 50,000 installed programs
against the plain report of the same snapshot: the report run alone, with
--ocs-file, and with --ocs-file and --glpi-file. Prints the C++ exceptions an
--ocs-file run throws (target at most 100), its CPU against the run that
writes both forms (at most 0.6x), and what it costs per program above the
plain report (at most 3 microseconds of CPU and 1 KiB of memory); fails when
one is missed. Exceptions are counted by gdb at __cxa_throw, so the program
needs its symbols (any build but a stripped one).
usage: bench/floor/ocs_programs.py [PROGRAM] [PROGRAMS]"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "app", "tallyquest-report")
programs = int(sys.argv[2]) if len(sys.argv) > 2 else 50000
RUNS = 5

if not os.access(program, os.X_OK):
    sys.exit(f"no {program} (build the tallyquest-report target first)")
if not os.access("/usr/bin/time", os.X_OK):
    sys.exit("/usr/bin/time is needed for CPU and peak memory")
if not shutil.which("gdb"):
    sys.exit("gdb is needed to count exceptions (apt-get install gdb)")

VENDORS = ["Microsoft Corporation", "Adobe Inc.", "Google LLC", "Mozilla", "Igor Pavlov", "Oracle Corporation",
           "Intel Corporation", "NVIDIA Corporation", "Realtek Semiconductor Corp.", "The Document Foundation"]


def program_entry(i):
    """One program as Windows lists it: the class's own properties, some
    missing or null as on a real machine (no product code outside Windows
    Installer, no language or date for many entries)."""
    p = {"Name": f"Application {i} ({'x64' if i % 3 else 'x86'})", "Version": f"{i % 40}.{i % 7}.{i}.0",
         "Vendor": VENDORS[i % len(VENDORS)], "ProgramId": f"{'x64' if i % 3 else 'x86'}\\{i:08x}ProgramKey"}
    if i % 2:
        p["MsiProductCode"] = f"{{{i:08X}-40C1-2702-2301-{i:012X}}}"
        p["Language"] = "1033"
    else:
        p["MsiProductCode"] = None
    if i % 4:
        p["InstallDate"] = f"20{10 + i % 14}{1 + i % 12:02d}{1 + i % 28:02d}"
    return p


def write_snapshot(path):
    """The realistic Windows machine with its network, and the programs."""
    machine = {}
    for name in ("realistic-machine.json", "realistic-network.json"):
        with open(os.path.join(ROOT, "tests", "data", name), encoding="utf-8") as f:
            machine.update(json.load(f))
    machine["Win32_InstalledWin32Program"] = [program_entry(i) for i in range(programs)]
    with open(path, "w", encoding="utf-8") as f:
        json.dump(machine, f)


def child_run(args, work):
    """CPU seconds and peak memory (bytes) of one run. /usr/bin/time runs it,
    since a child forked from this process would count this one's memory;
    the CPU comes from waiting for /usr/bin/time, to the microsecond."""
    out = os.path.join(work, "time")
    child = subprocess.Popen(["/usr/bin/time", "-o", out, "-f", "%M"] + args,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"{' '.join(args)} failed ({child.returncode})")
    with open(out, encoding="utf-8") as f:
        kb = f.read().split()[-1]
    return usage.ru_utime + usage.ru_stime, int(kb) * 1024


def throws(args):
    """How many C++ exceptions one run throws: gdb passes a breakpoint at
    __cxa_throw as often as it is hit and says how often that was."""
    gdb = ["gdb", "-nx", "-batch", "-ex", "set breakpoint pending on", "-ex", "break __cxa_throw",
           "-ex", "ignore 1 100000000", "-ex", "run", "-ex", "info breakpoints", "--args"] + args
    out = subprocess.run(gdb, capture_output=True, text=True, stdin=subprocess.DEVNULL).stdout
    if "exited normally" not in out:
        sys.exit(f"gdb could not run {args[0]}:\n{out[-2000:]}")
    if "<PENDING>" in out:
        sys.exit(f"{args[0]} has no symbol __cxa_throw to count exceptions at (a stripped build?)")
    hit = re.search(r"already hit (\d+) time", out)
    return int(hit.group(1)) if hit else 0


with tempfile.TemporaryDirectory() as work:
    # The device id's state stays in the temporary folder.
    os.environ["XDG_STATE_HOME"] = os.path.join(work, "state")
    os.environ["TALLYQUEST_SYSTEM_STATE"] = os.path.join(work, "no-system-state")
    snap = os.path.join(work, "programs.json")
    write_snapshot(snap)
    base = [program, "--snapshot", snap, "--folder", work]
    xml, glpi = os.path.join(work, "inventory.xml"), os.path.join(work, "inventory.json")
    kinds = {"plain": [], "ocs": ["--ocs-file", xml], "both": ["--ocs-file", xml, "--glpi-file", glpi]}

    cpu = {k: float("inf") for k in kinds}
    peak = {k: 0 for k in kinds}
    for i in range(RUNS):
        for kind, extra in kinds.items():  # by turns, so that a busy moment does not favour one
            c, rss = child_run(base + [f"{kind}{i}"] + extra, work)
            cpu[kind] = min(cpu[kind], c)
            peak[kind] = max(peak[kind], rss)
    thrown = throws(base + ["traced"] + kinds["ocs"])

    share = cpu["ocs"] / cpu["both"]
    us_per = (cpu["ocs"] - cpu["plain"]) / programs * 1e6
    bytes_per = (peak["ocs"] - peak["plain"]) / programs
    print(f"snapshot of {programs} installed programs: {os.path.getsize(snap) / 1e6:.1f} MB; "
          f"inventory {os.path.getsize(xml) / 1e6:.1f} MB XML, {os.path.getsize(glpi) / 1e6:.1f} MB JSON")
    for kind, label in (("plain", "plain report"), ("ocs", "--ocs-file"), ("both", "--ocs-file --glpi-file")):
        print(f"  {label:24} {cpu[kind] * 1000:6.0f} ms of CPU, peak {peak[kind] / 1e6:6.1f} MB")
    print(f"C++ exceptions thrown by --ocs-file: {thrown} (target at most 100)")
    print(f"--ocs-file against both forms: {share:.2f}x the CPU (target at most 0.6)")
    print(f"per program above the plain report: {us_per:.2f} us of CPU (target at most 3), "
          f"{bytes_per:.0f} bytes of memory (target at most 1024)")
    sys.exit(0 if thrown <= 100 and share <= 0.6 and us_per <= 3 and bytes_per <= 1024 else 1)
