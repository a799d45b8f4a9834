"""Times whole runs of programs that read the same answers, interleaved.

Each round starts every program once, in a fresh random order, with its
standard input from the answers file and its output discarded, in the
directory that holds the coefficient file; a run is timed from the start
of the process to its end. Interleaving lets every program meet the same
load of a busy machine, so their ratios hold where their times do not.

Usage: python3 whole_run.py ROUNDS DIRECTORY ANSWERS NAME=PROGRAM...
The first program is the one the others are compared with.
"""
import os
import random
import statistics
import sys
import time


def run_once(program, answers, null):
    start = time.perf_counter_ns()
    pid = os.posix_spawn(program, [program], os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, answers, 0),
                                       (os.POSIX_SPAWN_DUP2, null, 1)])
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter_ns() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"whole_run: {program} failed")
    return elapsed


def main():
    rounds, directory, answers_file = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    programs = dict(argument.split("=", 1) for argument in sys.argv[4:])
    os.chdir(directory)
    null = os.open(os.devnull, os.O_WRONLY)
    times = {name: [] for name in programs}
    for _ in range(rounds):
        order = list(programs)
        random.shuffle(order)
        for name in order:
            answers = os.open(answers_file, os.O_RDONLY)
            times[name].append(run_once(programs[name], answers, null))
            os.close(answers)
    reference = next(iter(programs))
    base = statistics.median(times[reference])
    print(f"{'program':24} {'median':>9} {'10th pct':>9} {'mean':>9}  median / {reference}")
    for name, values in times.items():
        median = statistics.median(values)
        tenth = statistics.quantiles(values, n=10)[0]
        print(f"{name:24} {median / 1e6:7.3f}ms {tenth / 1e6:7.3f}ms "
              f"{statistics.fmean(values) / 1e6:7.3f}ms  {median / base:.3f}")


if __name__ == "__main__":
    main()
