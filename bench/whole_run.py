"""Times whole runs of programs that read the same answers, interleaved.

Each round starts every program once, in a fresh random order, with its
standard input from the answers file and its output discarded, in the
directory that holds the coefficient file; a run is timed from the start
of the process to its end (wall clock), and by the processor time the
process used (user and system). Interleaving lets every program meet the
same load of a busy machine, and processor time hardly depends on that
load, so the ratios hold where wall-clock times do not.

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
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter_ns() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"whole_run: {program} failed")
    return elapsed, (usage.ru_utime + usage.ru_stime) * 1e9


def main():
    rounds, directory, answers_file = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    programs = dict(argument.split("=", 1) for argument in sys.argv[4:])
    os.chdir(directory)
    null = os.open(os.devnull, os.O_WRONLY)
    times = {name: [] for name in programs}
    cpu = {name: [] for name in programs}
    for _ in range(rounds):
        order = list(programs)
        random.shuffle(order)
        for name in order:
            answers = os.open(answers_file, os.O_RDONLY)
            wall, processor = run_once(programs[name], answers, null)
            times[name].append(wall)
            cpu[name].append(processor)
            os.close(answers)
    reference = next(iter(programs))
    base = statistics.median(times[reference])
    # Processor time is counted in ticks of the scheduler: its mean, not
    # its median, estimates the time of a run.
    base_cpu = statistics.fmean(cpu[reference])
    print(f"{'program':16} {'wall: median':>13} {'10th pct':>9} {'mean':>9}  "
          f"{'processor: mean':>16}   / {reference}: wall median, processor mean")
    for name, values in times.items():
        median = statistics.median(values)
        tenth = statistics.quantiles(values, n=10)[0]
        processor = statistics.fmean(cpu[name])
        print(f"{name:16} {median / 1e6:11.3f}ms {tenth / 1e6:7.3f}ms "
              f"{statistics.fmean(values) / 1e6:7.3f}ms  {processor / 1e6:14.3f}ms   "
              f"{median / base:.3f}, {processor / base_cpu:.3f}")

if __name__ == "__main__":
    main()
