#!/usr/bin/python3
"""Spot values for the Legendre tests, computed with mpmath at 40 digits.

Conventions: P^(-mu)_nu(cos t) on the cut is legenp(nu, -mu, cos(t),
type=2) (the Ferrers function), Q^(mu)_nu(cos t) is legenq(nu, mu, cos(t),
type=2). Arguments are the doubles the tests pass (mpf of a Python float
is that double exactly); the degrees of a run are DNU1 + k exactly.

Run: /usr/bin/python3 legendre/tests/spot_values.py
Each line prints the value to 17 significant digits, or as mantissa and
power of 2 (frexp) where the value lies outside the range of a double.
"""
from mpmath import mp, mpf, legenp, legenq, cos, digamma, gamma, sqrt, frexp, nstr

mp.dps = 40


def P(nu, mu, t):  # P^(mu)_nu(cos t); mu < 0 for the negative order
    return legenp(nu, mu, cos(mpf(t)), type=2)


def P_positive(nu, mu, t):  # through P^(-mu), where legenp cannot converge
    return (-1) ** mu * gamma(nu + mu + 1) / gamma(nu - mu + 1) * P(nu, -mu, t)


def Q(nu, mu, t):
    return legenq(nu, mu, cos(mpf(t)), type=2)


def normalised(nu, mu, t):
    return sqrt(nu + mpf(1) / 2) * sqrt(gamma(nu + mu + 1) / gamma(nu - mu + 1)) * P(nu, -mu, t)


def show(label, value):
    print(f"{label:60s} {nstr(value, 17)}")


def show_wide(label, value):
    m, e = frexp(value)
    print(f"{label:60s} {nstr(m, 17)} * 2^{e}")


show("digamma(1)", digamma(1))
show("digamma(0.5)", digamma(mpf(0.5)))
show("digamma(40.5)", digamma(mpf(40.5)))
show("digamma(0.001)", digamma(mpf(0.001)))
show("digamma(1e-10)", digamma(mpf(1e-10)))

for k in range(4):
    show(f"P(3.2+{k}, -1, 0.7)", P(mpf(3.2) + k, -1, 0.7))
for nu in (-0.7, -0.3):
    for k in range(2):
        show(f"P({nu}+{k}, 0, 0.7)", P(mpf(nu) + k, 0, 0.7))
for k in range(2):
    show(f"Q(0.3+{k}, 0, 0.7)", Q(mpf(0.3) + k, 0, 0.7))
for k in range(3):
    show(f"Q(0.7+{k}, 1, 0.7)", Q(mpf(0.7) + k, 1, 0.7))
show("P(10.5, 0, 1e-4)", P(mpf(10.5), 0, 1e-4))
show_wide("P(0.5, -200, 1e-3)", P(mpf(0.5), -200, 1e-3))

for mu in range(7):
    show(f"P(2.5, -{mu}, 0.9)", P(mpf(2.5), -mu, 0.9))
for mu in (1, 2):
    show(f"P(0.3, -{mu}, 1.2)", P(mpf(0.3), -mu, 1.2))

for mu in range(5):
    show(f"Q(1.5, {mu}, 0.9)", Q(mpf(1.5), mu, 0.9))
for k in range(3):
    show(f"Q(0.1+{k}, 2, 0.7)", Q(mpf(0.1) + k, 2, 0.7))
for k in (0, 5, 20):
    show(f"Q(0.1+{k}, 3, 0.4)", Q(mpf(0.1) + k, 3, 0.4))
show("Q(4.6, 2, 0.4)", Q(mpf(4.6), 2, 0.4))

for k in range(4):
    show(f"P(1.25+{k}, 2, 0.8)", P(mpf(1.25) + k, 2, 0.8))
for mu in range(4):
    show(f"P(3.75, -{mu}, 0.8)", P(mpf(3.75), -mu, 0.8))
for k in range(4):
    show(f"normalised(2+{k}, 2, 0.6)", normalised(mpf(2) + k, 2, 0.6))
for mu in range(4):
    show(f"Q(2.25, {mu}, 1.0)", Q(mpf(2.25), mu, 1.0))
for k in range(3):
    show(f"Q(2.25+{k}, 3, 1.0)", Q(mpf(2.25) + k, 3, 1.0))
show("P(2.5, 3, 0.5)", P(mpf(2.5), 3, 0.5))
show("P_positive(500.3, 100, 1e-6)", P_positive(mpf(500.3), 100, 1e-6))
show_wide("P(500.3, -100, 1e-6)", P(mpf(500.3), -100, 1e-6))
show("normalised(3, 3, 0.6)", normalised(mpf(3), 3, 0.6))
show("P(2.5, -1, pi/2 as a double)", P(mpf(2.5), -1, 1.5707963267948966))
for k in range(2):
    show(f"Q(-0.9999999999+{k}, 0, 0.5)", Q(mpf(-0.9999999999) + k, 0, 0.5))
