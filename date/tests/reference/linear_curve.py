#!/usr/bin/env python3
"""Reference datings on the linear test curve of karven_date_test.cpp.

The curve, every 5 years from 0 to 1900 AD: D = 0 (95% error 1.96, sigma
1), I = 50 + 0.01 t (error 0.98, sigma 0.5), F = 40 + 0.02 t microtesla
(error 1.96, sigma 1). Each component's likelihood on the whole-year grid
is then a normal function of t, whose mean and spread follow in closed
form (mean where the curve meets the measurement, spread sqrt(V) / slope);
the intervals are taken from those densities, written here from the
method's statement, apart from the program's code.

Run: python3 date/tests/reference/linear_curve.py
"""

import math

YEARS = range(0, 1901)
CIRCULAR_95 = 2.448


def normal_density(mean, spread):
    logs = [-0.5 * ((t - mean) / spread) ** 2 for t in YEARS]
    top = max(logs)
    weights = [math.exp(x - top) for x in logs]
    total = math.fsum(weights)
    return [w / total for w in weights]


def hpd(density, level):
    order = sorted(YEARS, key=lambda t: (-density[t], t))
    taken, total = set(), 0.0
    for t in order:
        if total >= level / 100:
            break
        taken.add(t)
        total += density[t]
    runs, start = [], None
    for t in YEARS:
        if t in taken and start is None:
            start = t
        if start is not None and (t not in taken or t == YEARS[-1]):
            end = t if t in taken else t - 1
            runs.append((start, end, math.fsum(density[u] for u in range(start, end + 1))))
            start = None
    return runs, total


def show(name, density, levels=(95,)):
    mode = max(YEARS, key=lambda t: (density[t], -t))
    print(name, "mode", mode)
    for level in levels:
        runs, total = hpd(density, level)
        text = ", ".join("%d-%d AD (%.1f%%) p=%.6f" % (a, b, 100 * p, p) for a, b, p in runs)
        print("  %g%%: %s; total %.1f%% (%.6f)" % (level, text, 100 * total, total))


def main():
    # K1: I = 60.003, alpha95 = 2.9376 (sigma 1.2): V = 1.2^2 + 0.5^2 = 1.69,
    # sqrt(V) = 1.3 degrees over 0.01 degrees a year.
    inc = normal_density((60.003 - 50) / 0.01, 1.3 / 0.01)
    show("K1 (I)", inc, (68, 95))
    # K3: F = 60.006, sigma 2.4: V = 2.4^2 + 1 = 6.76, sqrt(V) = 2.6 over 0.02.
    show("K3 (F)", normal_density((60.006 - 40) / 0.02, 2.6 / 0.02), (68, 95))
    # K4: D, I and F; D = 0 on a curve of D = 0 adds nothing: I times F,
    # two normals of spread 130 about 1000.3.
    show("K4 (D I F)", normal_density(1000.3, 130 / math.sqrt(2)), (68, 95))
    # K5: I = 80, alpha95 = 2.448 (sigma 1): V = 1.25, spread sqrt(1.25) / 0.01
    # about 3000; the curve's highest I, 69 at 1900, is 11 degrees below.
    # Smallest chi-square 11^2 / 1.25 = 96.80 at 1900 AD.
    show("K5 (I far off)", normal_density(3000, math.sqrt(1.25) / 0.01), (68, 95))
    # A year's density for the CSV of K1 at 1000 AD.
    print("K1 density at 1000:", repr(inc[1000]))
    # An event of two rows, I = 60.003 and 61.003, each of spread 130 years
    # about 1000.3 and 1100.3: their product, of spread 130 / sqrt 2 about
    # 1050.3.
    show("kiln (event of two rows)", normal_density(1050.3, 130 / math.sqrt(2)), (68, 95))
    # A sequence of two events, the older (I = 61.003) about 1100.3 and the
    # younger (I = 59.003) about 900.3: they contradict the order. With a
    # uniform prior over t_old <= t_young, p_old(t) ~ L_old(t) sum over
    # s >= t of L_young(s), p_young(s) ~ L_young(s) sum over t <= s of
    # L_old(t), counted here pair by pair.
    old = normal_density(1100.3, 130)
    young = normal_density(900.3, 130)
    p_old = [0.0] * len(YEARS)
    p_young = [0.0] * len(YEARS)
    for t in YEARS:
        for s in range(t, YEARS[-1] + 1):
            w = old[t] * young[s]
            p_old[t] += w
            p_young[s] += w
    z = math.fsum(p_old)
    p_old = [x / z for x in p_old]
    p_young = [x / z for x in p_young]
    overall = 1.0
    for name, p, q in (("old in sequence", p_old, old), ("young in sequence", p_young, young)):
        show(name, p)
        agreement = 100 * math.fsum(a * b for a, b in zip(p, q)) / math.fsum(b * b for b in q)
        print("  agreement %.4f" % agreement)
        overall *= agreement / 100
    print("overall agreement %.4f" % (100 * overall ** (1 / math.sqrt(2))))


if __name__ == "__main__":
    main()
