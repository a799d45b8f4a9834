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
from mpmath import mp, mpf, legenp, legenq, cos, digamma, gamma, sqrt, frexp, nstr, log10, workdps

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

# Tiny angles. cos(t) must resolve 1 - t^2/2, so the working precision
# grows with -log10(t); the values are far outside the double range and are
# printed as mantissa and power of 2.
def digits_for(t):
    return 40 + int(2.2 * -float(log10(mpf(t))))


def show_tiny(label, f, *args):
    t = args[-1]
    with workdps(digits_for(t)):
        show_wide(label, f(*args))


for mu in (0, 1, 6, 254):
    show_tiny(f"P(5, -{mu}, 1.9305975358082711e-307)", P, mpf(5), -mu, 1.9305975358082711e-307)
for mu in (1, 23, 208):
    show_tiny(f"Q(15.733856201171875, {mu}, 5.0008290522462672e-300)", Q,
              mpf(15.733856201171875), mu, 5.0008290522462672e-300)
for mu in (0, 1):
    show_tiny(f"Q(0.5, {mu}, 2^-1074)", Q, mpf(0.5), mu, mpf(2) ** -1074)
show_tiny("P(0.5, -1, 2^-1074)", P, mpf(0.5), -1, mpf(2) ** -1074)
show_tiny("P(-1, -50, 1e-300)", P, mpf(-1), -50, 1e-300)
show_tiny("P(0, -50, 1e-300)", P, mpf(0), -50, 1e-300)

# P^(mu) over degrees just beside whole numbers, past the order - 1.
show("P(1 + 1.133269992067401e-317, 1, 0.098174832232969883)",
     P(mpf(1.133269992067401e-317) + 1, 1, 0.098174832232969883))
for k in range(3, 7):
    show(f"P(2 + 2^-51 + {k}, 5, 0.7)", P_positive(mpf(2) + mpf(2) ** -51 + k, 5, 0.7))
for k in (2602, 2603, 2859):
    show_wide(f"P_positive(257.00000000000023 + {k}, 2859, 0.33725490188226104)",
              P_positive(mpf(257.00000000000023) + k, 2859, 0.33725490188226104))

# Q over degrees from just above -1.
for mu in (0, 1, 3):
    for k in range(5):
        show(f"Q(-1 + 2^-53 + {k}, {mu}, 0.5)", Q(mpf(-1) + mpf(2) ** -53 + k, mu, 0.5))

# The normalised function where the factor and the value are both large.
for k in (779, 806, 819):
    show_wide(f"normalised(40 + {k}, 819, 0.39999999990686774)",
              normalised(mpf(40) + k, 819, 0.39999999990686774))
