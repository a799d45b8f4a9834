#!/usr/bin/env python3
"""Times karven-date on the 100 floors of sequence_rows.csv, each row dated
alone and the rows dated as a stratigraphic sequence (--sequence
oldest-first), with the JSON output, against three curves: the
demonstration model at Paris (1,901 years), the curve file of that site,
and the global model ARCH10k.1 over its whole span (a longer grid).

Each round runs every program on every case and form once, in a fresh
random order, the output discarded; a run is timed by the processor time
it used (user and system), which hardly depends on the load of a busy
machine, and its mean over the rounds is printed with the ratio of the
sequence to the rows alone.

Usage: python3 sequence_ratio.py ROUNDS CURVE_FILE NAME=KARVEN_DATE...
where CURVE_FILE is the curve file at 48.85 N, 2.35 E that karven writes
from examples/demo_coeff.inp.
"""
import os
import random
import statistics
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, "sequence_rows.csv")
MODEL = os.path.join(HERE, "..", "examples", "demo_coeff.inp")


def cases(curve_file):
    return {
        "model": ["--model", MODEL],
        "curve file": [curve_file],
        "ARCH10k.1": ["--model", "ARCH10k.1", "--model-sigma", "2,2,3"],
    }


def run_once(arguments, null):
    pid = os.posix_spawn(arguments[0], arguments, os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, null, 1)])
    _, status, usage = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("sequence_ratio: failed: " + " ".join(arguments))
    return usage.ru_utime + usage.ru_stime


def main():
    rounds, curve_file = int(sys.argv[1]), os.path.abspath(sys.argv[2])
    programs = dict(argument.split("=", 1) for argument in sys.argv[3:])
    forms = {"alone": [], "sequence": ["--sequence", "oldest-first"]}
    runs = []
    for name, program in programs.items():
        for case, curve in cases(curve_file).items():
            for form, extra in forms.items():
                arguments = [os.path.abspath(program)] + curve + ["--samples", SAMPLES, "--json"]
                runs.append(((name, case, form), arguments + extra))
    null = os.open(os.devnull, os.O_WRONLY)
    times = {key: [] for key, _ in runs}
    for _ in range(rounds):
        random.shuffle(runs)
        for key, arguments in runs:
            times[key].append(run_once(arguments, null))
    print(f"{'program':12} {'case':12} {'alone':>10} {'sequence':>10}  ratio")
    for name in programs:
        for case in cases(curve_file):
            alone = statistics.fmean(times[(name, case, "alone")])
            sequence = statistics.fmean(times[(name, case, "sequence")])
            print(f"{name:12} {case:12} {alone * 1e3:8.1f}ms {sequence * 1e3:8.1f}ms  "
                  f"{sequence / alone:.2f}")


if __name__ == "__main__":
    main()
