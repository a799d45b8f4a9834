#!/usr/bin/python3
"""Reference values of the associated Legendre functions of real degree on
the cut, for checking XDLEGF.

Run from the repository root with Debian's python3-mpmath:

    /usr/bin/python3 legendre/tests/reference/make_reference.py \
        > legendre/tests/data/xdlegf_reference.txt
    /usr/bin/python3 legendre/tests/reference/make_reference.py --wide \
        > legendre/tests/data/xdlegf_wide_reference.txt

The first is the grid to degree 1000; the second the wide set, degrees -1
to 10^4, orders 0 to 500 and angles 1e-8 to pi/2, where long runs store
every few entries only. The output is deterministic (fixed grids, no
randomness, fixed formats).

Function kinds, at x = cos(theta), -1 < x < 1, integer order mu >= 0:
  1  P^(-mu)_nu(x), the Ferrers function of negative order,
       = tan(theta/2)^mu / mu! * 2F1(-nu, nu+1; mu+1; sin(theta/2)^2),
       mpmath: legenp(nu, -mu, x, type=2)
  2  Q^(mu)_nu(x), the Ferrers function of the second kind,
       mpmath: legenq(nu, mu, x, type=2)
  3  P^(mu)_nu(x) = (-1)^mu Gamma(nu+mu+1)/Gamma(nu-mu+1) P^(-mu)_nu(x),
       mpmath: the same from legenp(nu, -mu, x, type=2), and compared with
       legenp(nu, mu, x, type=2) where that converges; mpmath's gammaprod
       takes the limit at the poles, so the value is 0 for a whole nu >= 0
       below the order, and at nu = -1 (where P_(-1) = P_0) it is 1 for
       order 0 and 0 above
  4  sqrt(nu+1/2) sqrt(Gamma(nu+mu+1)/Gamma(nu-mu+1)) P^(-mu)_nu(x), for
       whole nu only; zero when mu > nu

Every value is computed twice, by two independent methods, and the script
stops if they disagree by more than 1e-40 relative:
  A  mpmath's legenp / legenq at 50 significant digits (its hypergeometric
     combination raises its own precision where terms cancel);
  B  for kinds 1, 3, 4: the hypergeometric series above, summed term by term
     here in mpmath arithmetic at a working precision of 60 digits plus the
     number of digits lost to cancellation (log10 of the largest term over
     the sum), so that degree 1000 at theta = pi/2, whose largest term is
     near 1e+300, still keeps 60 digits; for kind 2: the logarithmic series
     of Q^(0)_nu in y = sin(theta/2)^2 (with the psi function) at degrees nu
     and nu + 1, Q^(1)_nu = (nu+1) (Q_(nu+1) - x Q_nu) / sin(theta), and the
     forward recurrence in order
         Q^(mu+1) = -2 mu x / sin(theta) Q^(mu) - (nu-mu+1)(nu+mu) Q^(mu-1),
     run at 60 digits plus the digits lost (Q grows with the order, so the
     forward direction is the stable one). Above the degree 1000 the
     series of the degree itself would cancel thousands of digits near the
     right angle; there method B takes the same series at the two lowest
     degrees of the class, below 1, and climbs to the degree with the
     three-term recurrence in degree, at 80 digits plus the digits its
     second solution may take (about log10 min(nu^2, 1/theta^2)).
Method A is written out to 21 significant digits.

Conditioning. Near a zero of the function, or where it depends strongly on
its arguments, the relative error of any double computation grows: the
routine works with theta, with x = cos(theta) rounded to a double, and with
degrees nu0 + k that carry rounding of about one unit in the last place.
For each value the script stores three condition numbers, from central
differences of method A at 30 digits:
  kappa_theta = |theta * df/dtheta / f|,
  kappa_nu    = |max(1, |nu|) * df/dnu / f|, for Q at least that of orders
                0 and 1 at the start degree of the recurrence,
  kappa_x     = |x * dh/dx / h|, h the value without the parts that the
                routine computes from theta itself: f / sin(theta)^mu for
                the P kinds; for Q, also its logarithmic part ln cot(theta/2)
                P^mu is taken with the logarithm held fixed (x_condition);
                or, if larger, the same of the values the routine starts
                its recurrences from: Q of orders 0 and 1 at the top degree
                of the call, P^(-mu) of the two highest orders of a run of
                orders.
A relative perturbation eps of theta (or an absolute one of eps*max(1,|nu|)
of the degree) changes f by about kappa*eps relative; all three become
large near a zero of f (in the degree or in the angle). kappa_x measures
the recurrences, which see the angle only through x (and cot(theta)):
their starting values carry the factor sin(theta)^(+-mu), and for Q the
logarithm, computed from theta itself, so only the rest feels the rounding
of x. At small angles a rounding of x is a large change of theta
(eps/theta^2 relative), and kappa_x, about nu^2/2 there, is the one that
counts; an error of a starting value passes into every value derived from
it, whatever the x-condition of that value itself. The test scales its
tolerance by the sum of the three.

Inputs are exact doubles: DNU1 and THETA are written with Python's repr,
which reads back to the same double, and mpmath's mpf(float) is exact, so
the references are the functions at exactly the doubles the routine gets.
The right angle is the double 2*atan(1.0).
"""

import io
import math
import multiprocessing
import struct
import sys

import mpmath
from mpmath import mp, mpf

DIGITS = 50             # working precision of method A
EXTRA = 60              # digits kept by method B beyond its cancellation
AGREEMENT = mpf('1e-40')  # largest relative difference accepted between A and B
WORKERS = 2             # the whole grid takes about 20 minutes of one core

PI2 = 2.0 * math.atan(1.0)


def single(value):
    """The double nearest to value as a single-precision number, widened."""
    return struct.unpack('f', struct.pack('f', value))[0]


# ---------------------------------------------------------------------------
# Method A: mpmath's Legendre functions.

def is_whole(nu):
    return nu == mpmath.floor(nu)


def cosine(theta):
    """cos(theta) with extra digits, since mpmath's series variable
    (1 - x)/2 loses about 2*log10(1/theta) of them at small angles."""
    with mp.workdps(mp.dps + 10 + 2 * max(0, int(-mp.log10(theta)))):
        return mp.cos(theta)


def kind_value_a(kind, nu, mu, theta, contract=True):
    """The value of a kind by mpmath; contract=False drops the zeros that the
    routine returns for orders above a whole degree, for the differences in
    the degree."""
    x = cosine(theta)
    if kind == 1:
        return mp.legenp(nu, -mu, x, type=2)
    if kind == 2:
        return mp.legenq(nu, mu, x, type=2)
    if kind == 3:
        ratio = mp.gammaprod([nu + mu + 1], [nu - mu + 1])
        return (-1) ** mu * ratio * mp.legenp(nu, -mu, x, type=2)
    if kind == 4:
        if contract and mu > nu:
            return mpf(0)
        ratio = mp.gammaprod([nu + mu + 1], [nu - mu + 1])
        return mp.sqrt(nu + mpf(1) / 2) * mp.sqrt(ratio) * mp.legenp(nu, -mu, x, type=2)
    raise ValueError(kind)


# ---------------------------------------------------------------------------
# Method B: the defining series, summed here.

def hypergeometric_terms(nu, mu, y, digits):
    """Sum of 2F1(-nu, nu+1; mu+1; y) at the given precision, and log10 of its
    largest term."""
    with mp.workdps(digits):
        term = mpf(1)
        total = mpf(1)
        largest = mpf(1)
        k = 0
        tiny = mpf(10) ** (-digits - 5)
        while True:
            k += 1
            term = term * (k - 1 - nu) * (k + nu) * y / ((mu + k) * k)
            if term == 0:
                break
            total += term
            largest = max(largest, abs(term))
            # Past k = nu + 1 the term ratio is below y <= 1/2, so the tail
            # is bounded by the last term.
            if k > abs(nu) + 2 and abs(term) < tiny * abs(total):
                break
        return total, mp.log10(largest)


def p_negative_order_b(nu, mu, theta):
    """P^(-mu)_nu(cos theta) by the series, with the precision raised by the
    digits the sum loses to cancellation."""
    digits = EXTRA
    while True:
        with mp.workdps(digits + 10):
            y = mp.sin(theta / 2) ** 2
            total, log_largest = hypergeometric_terms(nu, mu, y, digits + 10)
            lost = log_largest - (mp.log10(abs(total)) if total != 0 else -digits)
            if lost + EXTRA <= digits:
                factor = mp.tan(theta / 2) ** mu / mp.factorial(mu)
                return +(factor * total)
        digits = int(EXTRA + lost + 20)


def q_order_zero_series(nu, theta, digits):
    """Q^(0)_nu(cos theta) = sum over i >= 1 of
    (psi(i) - psi(nu+1) + ln cot(theta/2)) a_i, a_i the terms of
    2F1(-nu, nu+1; 1; y), and log10 of the largest of those terms."""
    with mp.workdps(digits):
        y = mp.sin(theta / 2) ** 2
        c = -mp.log(mp.tan(theta / 2))
        p = mp.digamma(nu + 1)
        a = mpf(1)
        psi = -mp.euler
        total = (psi - p + c) * a
        largest = abs(total)
        tiny = mpf(10) ** (-digits - 5)
        i = 1
        while True:
            i += 1
            a = a * (i - 2 - nu) * (i - 1 + nu) * y / ((i - 1) ** 2)
            psi += mpf(1) / (i - 1)
            term = (psi - p + c) * a
            total += term
            largest = max(largest, abs(term))
            if a == 0 or (i > abs(nu) + 3 and abs(term) < tiny * abs(total)):
                break
        return total, mp.log10(largest)


def q_positive_order_b(nu, mu, theta):
    """Q^(mu)_nu(cos theta) from the order-0 series at nu and nu + 1 and the
    forward recurrence in order."""
    digits = EXTRA + 2 * max(0, int(-mp.log10(theta))) + 10
    while True:
        with mp.workdps(digits):
            q0, big0 = q_order_zero_series(nu, theta, digits)
            q0_next, big1 = q_order_zero_series(nu + 1, theta, digits)
            x = mp.cos(theta)
            s = 1 / mp.sin(theta)
            difference = q0_next - x * q0
            q1 = (nu + 1) * difference * s
            lost = max(big0 - mp.log10(abs(q0)), big1 - mp.log10(abs(q0_next)),
                       mp.log10(abs(q0_next)) - mp.log10(abs(difference)))
            if lost + EXTRA > digits:
                digits = int(EXTRA + lost + 20)
                continue
            if mu == 0:
                return +q0
            previous, current = q0, q1
            for m in range(1, mu):
                previous, current = current, (-2 * m * x * s * current
                                              - (nu - m + 1) * (nu + m) * previous)
            return +current


def recurrence_digits(nu, theta):
    """Working digits of the recurrences in degree: EXTRA, plus what their
    second solution can take from the start values (at most about
    log10 min(nu^2, 1/theta^2) digits), plus a margin."""
    return (EXTRA + 20 + 2 * int(mp.log10(max(abs(nu), 10)))
            + 2 * max(0, int(-mp.log10(theta))))


def p_negative_order_recurrence(nu, mu, theta):
    """P^(-mu)_nu(cos theta) for a high degree: the series at the two degrees
    nu0 = frac(nu) - 1 and nu0 + 1, below 1 in size, where its terms fall
    from the first and nothing cancels, then the forward recurrence
        (n + mu) P_n = (2n - 1) x P_(n-1) - (n - 1 - mu) P_(n-2)
    up to nu, at a precision that covers what the recurrence can lose. The
    series of the degree nu itself would cancel thousands of digits near
    the right angle."""
    digits = recurrence_digits(nu, theta)
    with mp.workdps(digits):
        start = nu - mpmath.floor(nu) - 1
        y = mp.sin(theta / 2) ** 2
        x = mp.cos(theta)
        factor = mp.tan(theta / 2) ** mu / mp.factorial(mu)
        previous = factor * hypergeometric_terms(start, mu, y, digits)[0]
        current = factor * hypergeometric_terms(start + 1, mu, y, digits)[0]
        n = start + 1
        while n < nu:
            n += 1
            previous, current = current, ((2 * n - 1) * x * current
                                          - (n - 1 - mu) * previous) / (n + mu)
        return +current


def q_positive_order_recurrence(nu, mu, theta):
    """Q^(mu)_nu(cos theta) for a high degree: Q of orders 0 and 1 at the
    degrees nu0 = frac(nu) and nu0 + 1 from the logarithmic series as in
    q_positive_order_b, the forward recurrence in degree of each,
        (n - m) Q^m_n = (2n - 1) x Q^m_(n-1) - (n - 1 + m) Q^m_(n-2),
    up to nu, then the forward recurrence in order."""
    digits = recurrence_digits(nu, theta)
    with mp.workdps(digits):
        start = nu - mpmath.floor(nu)
        x = mp.cos(theta)
        s = 1 / mp.sin(theta)
        q = [q_order_zero_series(start + k, theta, digits)[0] for k in range(3)]
        order1 = [(start + k + 1) * (q[k + 1] - x * q[k]) * s for k in range(2)]
        values = []
        for m, (previous, current) in ((0, (q[0], q[1])), (1, order1)):
            n = start + 1
            while n < nu:
                n += 1
                previous, current = current, ((2 * n - 1) * x * current
                                              - (n - 1 + m) * previous) / (n - m)
            values.append(current)
        previous, current = values
        if mu == 0:
            return +previous
        for m in range(1, mu):
            previous, current = current, (-2 * m * x * s * current
                                          - (nu - m + 1) * (nu + m) * previous)
        return +current


# Above this degree method B takes the recurrences in degree: the series of
# the degree itself cancels too many digits there to be summed in time.
SERIES_HIGHEST_DEGREE = 1000


def kind_value_b(kind, nu, mu, theta):
    if abs(nu) > SERIES_HIGHEST_DEGREE:
        if kind == 1:
            return p_negative_order_recurrence(nu, mu, theta)
        if kind == 2:
            return q_positive_order_recurrence(nu, mu, theta)
        if kind == 4 and mu > nu:
            return mpf(0)
        value = p_negative_order_recurrence(nu, mu, theta)
        with mp.workdps(DIGITS + 20):
            ratio = mp.gammaprod([nu + mu + 1], [nu - mu + 1])
            if kind == 3:
                return (-1) ** mu * ratio * value
            return mp.sqrt(nu + mpf(1) / 2) * mp.sqrt(ratio) * value
    if kind == 1:
        return p_negative_order_b(nu, mu, theta)
    if kind == 2:
        return q_positive_order_b(nu, mu, theta)
    if kind == 3:
        with mp.workdps(DIGITS + 20):
            ratio = mp.gammaprod([nu + mu + 1], [nu - mu + 1])
            return (-1) ** mu * ratio * p_negative_order_b(nu, mu, theta)
    if kind == 4:
        if mu > nu:
            return mpf(0)   # including nu = -1, where sqrt(nu + 1/2) has no real value
        with mp.workdps(DIGITS + 20):
            ratio = mp.gammaprod([nu + mu + 1], [nu - mu + 1])
            return mp.sqrt(nu + mpf(1) / 2) * mp.sqrt(ratio) * p_negative_order_b(nu, mu, theta)
    raise ValueError(kind)


# ---------------------------------------------------------------------------
# One value: both methods, the agreement test and the condition numbers.

largest_disagreement = {1: mpf(0), 2: mpf(0), 3: mpf(0), 4: mpf(0)}


def reference(kind, nu, mu, theta):
    """(value, kappa_theta, kappa_nu, kappa_x) at the exact arguments nu, theta."""
    with mp.workdps(DIGITS):
        a = kind_value_a(kind, nu, mu, theta)
    b = kind_value_b(kind, nu, mu, theta)
    if a == 0 or b == 0:
        if a != b:
            raise RuntimeError('kind %d nu %s mu %d theta %s: A %s, B %s'
                               % (kind, nu, mu, theta, a, b))
        return mpf(0), mpf(0), mpf(0), mpf(0)
    difference = abs(a - b) / abs(b)
    if difference > AGREEMENT:
        # A second try of method A at twice the precision before giving up.
        with mp.workdps(2 * DIGITS):
            a = kind_value_a(kind, nu, mu, theta)
        difference = abs(a - b) / abs(b)
        if difference > AGREEMENT:
            raise RuntimeError('kind %d nu %s mu %d theta %s: methods disagree, A %s, B %s'
                     % (kind, mpmath.nstr(nu, 17), mu, mpmath.nstr(theta, 17),
                        mpmath.nstr(a, 25), mpmath.nstr(b, 25)))
    largest_disagreement[kind] = max(largest_disagreement[kind], difference)
    if kind == 3:
        # mpmath's positive-order function directly, as a check of the sign
        # convention; its hypergeometric combination does not converge for
        # some orders far above a non-whole degree, which are left out.
        try:
            with mp.workdps(DIGITS):
                direct = mp.legenp(nu, mu, cosine(theta), type=2)
        except ValueError:
            direct = None
        if direct is not None and abs(direct - b) > AGREEMENT * abs(b):
            raise RuntimeError('kind 3 nu %s mu %d: legenp(nu, mu) %s, series %s'
                     % (mpmath.nstr(nu, 17), mu, mpmath.nstr(direct, 25), mpmath.nstr(b, 25)))
    with mp.workdps(30):
        h = mpf('1e-12')
        f = condition_value(kind, nu, mu, theta)
        dtheta = (condition_value(kind, nu, mu, theta * (1 + h))
                  - condition_value(kind, nu, mu, theta * (1 - h))) / (2 * h)
        kappa_theta = abs(dtheta / f)
        step = h * max(1, abs(nu))
        dnu = (condition_value(kind, nu + step, mu, theta, contract=False)
               - condition_value(kind, nu - step, mu, theta, contract=False)) / (2 * h)
        kappa_nu = abs(dnu / f)
    return a, kappa_theta, kappa_nu, x_condition(kind, nu, mu, theta)


def condition_value(kind, nu, mu, theta, contract=True):
    """A value for the condition numbers, at 30 digits: method A, or above
    the degree 1000 method B, which is as accurate and much faster there
    (mpmath's Q near the right angle at degree 10^4 takes minutes)."""
    if abs(nu) > SERIES_HIGHEST_DEGREE + 0.5:
        return kind_value_b(kind, nu, mu, theta)
    return kind_value_a(kind, nu, mu, theta, contract)


def x_condition(kind, nu, mu, theta):
    """|x dh/dx / h|: how a relative rounding of x = cos(theta) in the
    recurrences changes the value. The parts that the routine computes from
    theta itself are held fixed: the power sin(theta)^mu of P, and for Q
    both sin(theta)^-mu and the logarithm L = ln cot(theta/2) of
    Q^mu = L P^mu + (the rest); so for Q,
        x dh/dx = x (dg/dx - P^mu sin(theta)^mu dL/dx),  g = Q^mu sin(theta)^mu,
    with dL/dx = 1/(1 - x^2)."""
    with mp.workdps(30):
        h = mpf('1e-12')
        f = condition_value(kind, nu, mu, theta, contract=False)
        if f == 0:
            return mpf(0)
        dtheta = (condition_value(kind, nu, mu, theta * (1 + h), contract=False)
                  - condition_value(kind, nu, mu, theta * (1 - h), contract=False)) / (2 * h * theta)
        x = mp.cos(theta)
        sine = mp.sin(theta)
        if kind != 2:
            return abs(x / sine * (dtheta / f - mu * x / sine))
        # g = f sin^mu; dg/dx = -(dg/dtheta) / sin.
        dg_dx = -(dtheta * sine ** mu + f * mu * sine ** (mu - 1) * x) / sine
        a = condition_value(3, nu, mu, theta, contract=False) * sine ** mu
        return abs(x * (dg_dx - a / sine ** 2) / (f * sine ** mu))


def degree_condition(kind, nu, mu, theta):
    """|max(1, |nu|) * df/dnu / f| by a central difference at 30 digits."""
    with mp.workdps(30):
        h = mpf('1e-12')
        f = condition_value(kind, nu, mu, theta, contract=False)
        step = h * max(1, abs(nu))
        dnu = (condition_value(kind, nu + step, mu, theta, contract=False)
               - condition_value(kind, nu - step, mu, theta, contract=False)) / (2 * h)
        return abs(dnu / f)


def starting_degree_condition(kind, dnu1, theta):
    """For Q, the largest degree-condition of orders 0 and 1 at the start
    degree nu0 of the degree recurrence (DNU1 less its whole part, less 1
    more if that leaves at least 1/2). Near the pole at degree -1 it is
    about 1/(nu0 + 1): the recurrence's coefficients at nu0 + 2, rounded
    to the double nearest, then weigh a start value that changes fast with
    its degree. The P functions have no pole there; zero for them."""
    if kind != 2:
        return mpf(0)
    start = dnu1 - int(dnu1)
    if start >= 0.5:
        start -= 1
    return max(degree_condition(2, start, 0, theta), degree_condition(2, start, 1, theta))


def starting_x_condition(kind, dnu1, nudiff, mu1, mu2, theta):
    """The largest x-condition of the values a call starts its recurrences
    from, whose rounding passes into every entry: Q of orders 0 and 1 at the
    top degree (every order of Q is reached from them), and P^(-mu) of the
    two highest orders of a run of orders. Zero where the degree recurrence
    delivers the entries themselves."""
    top = dnu1 + nudiff
    if kind == 2:
        return max(x_condition(2, top, 0, theta), x_condition(2, top, 1, theta))
    if mu2 > mu1:
        return max(x_condition(1, dnu1, mu2, theta), x_condition(1, dnu1, mu2 - 1, theta))
    return mpf(0)


# ---------------------------------------------------------------------------
# The grid.

WHOLE = [-1.0, 0.0, 1.0, 2.0, 3.0, 5.0, 10.0, 37.0, 100.0, 250.0, 500.0, 999.0, 1000.0]
HALF = [-0.5, 0.5, 1.5, 2.5, 10.5, 99.5, 500.5, 999.5]
IRREGULAR = [-0.999, -0.9, -0.7, -0.3, 0.001, 0.3, single(2.2753966), single(2.932276),
             3.2, single(4.090469), single(5.012005), 17.123456789, 123.456, 456.789,
             777.77, 999.9]
ORDERS = [0, 1, 2, 3, 5, 10, 20, 50, 100]
ANGLES = [1e-6, 1e-4, 1e-3, 0.01, 0.1, 0.5, 0.6981317007977318, 1.0, 1.2, 1.5, PI2]
ANGLES_PER_PAIR = 3


def single_cases():
    """(kind, DNU1, NUDIFF, MU1, MU2, THETA) of one value each. Every pair of
    degree and order meets three angles, chosen by a fixed stride so that
    each angle is met about equally often across the grid."""
    cases = []
    degrees = WHOLE + HALF + IRREGULAR
    for kind in (1, 2, 3, 4):
        for i, dnu in enumerate(degrees):
            if kind == 4 and dnu not in WHOLE:
                continue
            if kind == 2 and dnu == -1.0:
                continue            # a pole of Q; the routine rejects it
            for j, mu in enumerate(ORDERS):
                for k in range(ANGLES_PER_PAIR):
                    angle = ANGLES[(3 * i + 5 * j + 4 * k + kind) % len(ANGLES)]
                    cases.append((kind, dnu, 0, mu, mu, angle))
    return cases


# The values quoted with the routine's definition, and further points chosen
# by hand: the orders above a whole degree (zeros for kinds 3 and 4), and
# values far outside the double range.
SPECIAL_CASES = [
    (1, 2.5, 0, 1, 1, 0.5),
    (3, 2.5, 0, 1, 1, 0.5),
    (1, 0.3, 0, 2, 2, 1.2),
    (2, 1.0, 0, 0, 0, 0.5),
    (3, 2.0, 0, 3, 3, 0.5),          # order above a whole degree: zero
    (3, -1.0, 0, 0, 0, 0.5),         # P_(-1) = P_0 = 1
    (3, -1.0, 0, 1, 1, 0.5),         # ... and its order 1 is zero
    (3, -1.0, 0, 0, 3, 0.4),
    (4, -1.0, 0, 0, 0, 0.5),         # no real normalised value: zero
    (1, -1.0, 0, 0, 0, 0.5),
    (3, 2.0, 0, 3, 5, 0.3),          # whole run of orders above the degree
    (4, 5.0, 0, 10, 10, 1.0),
    (4, 3.0, 0, 4, 6, 0.2),
    (3, 2.5, 0, 3, 3, 0.5),          # not whole: computed
    (1, 5.0, 0, 200, 200, 1e-6),     # far below the double range
    (1, 1000.0, 0, 200, 200, 1e-6),
    (1, 0.5, 0, 150, 150, 0.01),
    (1, 1000.0, 0, 300, 300, PI2),
    (2, 5.0, 0, 200, 200, 1e-6),     # far above it
    (2, 1000.0, 0, 150, 150, 0.5),
    (3, 1000.0, 0, 150, 150, 0.5),
    (3, 999.5, 0, 300, 300, 1.0),
    (3, 10.5, 0, 200, 200, 1e-4),
    (4, 1000.0, 0, 300, 300, 0.01),  # normalised, yet out of range at a small angle
    (4, 1000.0, 0, 500, 500, 0.1),
    (4, 1000.0, 0, 1000, 1000, PI2),
    # The cap harmonic basis: its degrees and orders, at cap colatitudes.
    (3, single(2.932276), 0, 0, 0, 0.2),
    (3, single(5.012005), 0, 0, 0, 0.6981317007977318),
    (3, single(2.2753966), 0, 1, 1, 0.6981317007977318),
    (3, single(5.012005), 0, 1, 1, 1e-3),
    (3, single(4.090469), 0, 2, 2, 0.2),
    (3, single(4.090469), 0, 2, 2, 0.6981317007977318),
]

RUN_CASES = [
    # Runs of degrees (NUDIFF > 0).
    (1, 0.3, 20, 2, 2, 1.2),
    (1, -0.7, 1, 0, 0, 0.5),         # only the two starting degrees
    (1, -0.3, 5, 1, 1, 0.1),
    (1, -1.0, 10, 5, 5, 1e-3),
    (1, 0.0, 100, 0, 0, PI2),
    (1, 990.5, 9, 50, 50, 0.6981317007977318),
    (1, single(2.2753966), 30, 1, 1, 1e-6),
    (1, 500.25, 40, 100, 100, 0.01),
    (2, 0.3, 1, 0, 0, 0.5),
    (2, 0.7, 20, 1, 1, 1.0),
    (2, -0.9, 30, 3, 3, 0.2),
    (2, 1.0, 50, 2, 2, 1e-4),
    (2, 900.5, 20, 10, 10, 1.5),
    (2, 0.0, 10, 100, 100, 1e-3),
    (2, -0.999, 5, 0, 0, PI2),
    (3, 1.0, 4, 3, 3, 0.5),          # degrees 1 and 2 below the order: zeros
    (3, 2.5, 10, 1, 1, 0.5),
    (3, -1.0, 20, 2, 2, 0.3),
    (3, -1.0, 5, 0, 0, 0.8),
    (3, 3.2, 30, 20, 20, 0.05),
    (3, 950.0, 50, 100, 100, PI2),
    (3, 0.3, 5, 0, 0, 1e-6),
    (4, 0.0, 60, 10, 10, 0.9),       # degrees 0 to 9 below the order: zeros
    (4, 5.0, 20, 3, 3, 1e-5),
    (4, 900.0, 100, 100, 100, 0.3),
    (4, -1.0, 3, 0, 0, 1.2),         # degree -1 below the order 0: zero
    # Runs of orders (MU2 > MU1).
    (1, 2.5, 0, 0, 10, 0.5),
    (1, 0.3, 0, 0, 100, 1.2),
    (1, 1000.0, 0, 90, 100, 1e-6),
    (1, -0.5, 0, 0, 1, 0.1),         # the two top orders only
    (1, 37.0, 0, 0, 50, PI2),
    (1, 999.9, 0, 1, 30, 0.01),
    (2, 0.3, 0, 0, 1, 0.5),
    (2, 1.0, 0, 0, 20, 0.5),
    (2, 2.5, 0, 3, 4, 0.1),
    (2, -0.9, 0, 0, 10, 1.5),
    (2, 500.5, 0, 0, 100, 0.7),
    (2, 10.0, 0, 50, 100, 1e-4),
    (3, 2.0, 0, 0, 4, 0.6),          # orders 3 and 4 above the degree: zeros
    (3, 2.5, 0, 0, 10, 0.5),
    (3, 100.0, 0, 0, 100, 1.0),
    (3, 1000.0, 0, 100, 160, 0.2),
    (3, 0.3, 0, 0, 5, 1e-3),
    (4, 2.0, 0, 0, 4, 0.6),          # orders 3 and 4 above the degree: zeros
    (4, 100.0, 0, 0, 100, 0.3),
    (4, 1000.0, 0, 0, 100, PI2),
    (4, 500.0, 0, 80, 100, 1e-3),
]


# The wide domain: degrees -1 to 10^4, orders 0 to 500, angles 1e-8 to pi/2,
# with small angles at every band of degrees (below 20, 20 to 300, 300 to
# 3000, 3000 to 10^4), where the recurrences in degree see the angle only in
# the last bits of cos(theta). Written by --wide.
WIDE_DEGREES = [-1.0, -0.25, 0.5, single(2.932276), 7.0, 15.3,
                25.5, 64.0, 123.456, 299.0,
                512.5, 1000.0, 1777.7, 2999.5,
                4096.0, 6000.25, 8191.9, 10000.0]
WIDE_ORDERS = [0, 1, 2, 10, 100, 500]
WIDE_ANGLES = [1e-8, 1e-6, 3e-5, 5.7e-4, 3e-3, 0.009, 0.05, 0.3, 0.8, 1.3, PI2]


def wide_single_cases():
    """(kind, DNU1, 0, mu, mu, THETA): every degree and order of the wide
    grid at one angle each, by a fixed stride through the angles."""
    cases = []
    for kind in (1, 2, 3, 4):
        for i, dnu in enumerate(WIDE_DEGREES):
            if kind == 4 and dnu != math.floor(dnu):
                continue
            if kind == 2 and dnu == -1.0:
                continue
            for j, mu in enumerate(WIDE_ORDERS):
                angle = WIDE_ANGLES[(5 * i + 3 * j + 2 * kind) % len(WIDE_ANGLES)]
                if kind == 2 and dnu > SERIES_HIGHEST_DEGREE and angle >= 1.0:
                    angle = 0.8     # mpmath's Q takes many minutes near pi/2 there
                cases.append((kind, dnu, 0, mu, mu, angle))
    return cases


# Long runs of degrees and of orders over the wide domain; the seventh field
# is the stride of the stored entries.
WIDE_RUN_CASES = [
    (1, 0.5, 9999, 0, 0, 1e-6, 500),
    (1, -1.0, 10001, 1, 1, 3e-3, 1000),
    (1, 2999.5, 200, 3, 3, 0.3, 50),
    (1, 9999.5, 0, 0, 500, 1e-3, 50),
    (2, 0.25, 9999, 0, 0, 1e-4, 1000),
    (2, 0.75, 4999, 1, 1, 1e-6, 500),
    (2, 0.5, 2999, 5, 5, 5.7e-4, 300),
    (2, 100.5, 400, 30, 30, 1e-8, 50),
    (2, 9000.5, 999, 2, 2, 0.7, 100),
    (2, 5000.5, 0, 0, 500, 1e-5, 50),
    (2, 150.0, 0, 0, 40, 1e-8, 10),
    (3, 0.3, 5000, 2, 2, 1e-5, 500),
    (3, 7000.5, 100, 100, 100, 1.0, 25),
    (3, 300.3, 0, 0, 500, 0.009, 50),
    (4, 0.0, 10000, 0, 0, 0.002, 1000),
    (4, 500.0, 3000, 40, 40, PI2, 500),
    (4, 10000.0, 0, 400, 500, 0.3, 20),
]


def fmt(value, digits):
    return mpmath.nstr(value, digits, strip_zeros=False, min_fixed=-4, max_fixed=6)


def stored_entries(count, stride):
    """The entries of a call that are written out: every one, or for a long
    run every stride-th from the first, and the last."""
    return sorted(set(range(1, count + 1, stride)) | {count})


def write_case(number, case, out):
    kind, dnu1, nudiff, mu1, mu2, theta = case[:6]
    stride = case[6] if len(case) > 6 else 1
    count = mu2 - mu1 + nudiff + 1
    with mp.workdps(DIGITS):
        nu1 = mpf(dnu1)
        angle = mpf(theta)
    starting = starting_x_condition(kind, nu1, nudiff, mu1, mu2, angle)
    starting_nu = starting_degree_condition(kind, nu1, angle)
    for entry in stored_entries(count, stride):
        if nudiff > 0:
            nu, mu = nu1 + (entry - 1), mu1
        else:
            nu, mu = nu1, mu1 + entry - 1
        value, kappa_theta, kappa_nu, kappa_x = reference(kind, nu, mu, angle)
        if value != 0:
            kappa_x = max(kappa_x, starting)
            kappa_nu = max(kappa_nu, starting_nu)
        if value == 0:
            sign, mantissa, exponent, log10 = '0', '0', '0', '-inf'
        else:
            with mp.workdps(DIGITS):
                m, e = mpmath.frexp(abs(value))
                sign = '+' if value > 0 else '-'
                mantissa = fmt(m, 21)
                exponent = str(int(e))
                log10 = fmt(mp.log10(abs(value)), 21)
        out.write('%d %d %r %d %d %d %r %d %s %s %s %s %.3g %.3g %.3g\n' % (
            number, kind, dnu1, nudiff, mu1, mu2, theta, entry, sign, mantissa, exponent,
            log10, float(kappa_theta), float(kappa_nu), float(kappa_x)))


HEADER = """\
# Reference values of XDLEGF: associated Legendre functions of real degree
# and integer order on the cut, at x = cos(THETA).
# Made by legendre/tests/reference/make_reference.py (mpmath, 50 digits,
# every value checked against a second, independent method to 1e-40).
# One line per result entry. Columns:
#   case     number of the XDLEGF call; the lines of one call follow each other
#   kind     ID: 1 P^(-mu)_nu, 2 Q^(mu)_nu, 3 P^(mu)_nu, 4 normalised P
#   dnu1     DNU1, written so that it reads back as the exact double
#   nudiff   NUDIFF
#   mu1 mu2  MU1 and MU2
#   theta    THETA in radians, exact double
#   entry    entry number from 1: degree DNU1+entry-1 (run of degrees) or
#            order MU1+entry-1 (run of orders or one value)
#   sign     + or -, or 0 for a value that is exactly zero
#   mantissa |value| = mantissa * 2^exponent, 0.5 <= mantissa < 1
#   exponent   (21 significant digits; zero values: 0 and 0)
#   log10    log10 |value| (-inf for zero)
#   kappa_theta  |theta * d value/d theta / value|
#   kappa_nu     |max(1, |nu|) * d value/d nu / value|; for Q at least that
#                of orders 0 and 1 at the start degree nu0 (large near -1)
#   kappa_x      |x * dh/dx / h|, h = value / sin(theta)^mu for P,
#                value * sin(theta)^mu for Q with its logarithmic part
#                held fixed, or the same of the values the routine starts
#                from if larger (Q of orders 0 and 1 at the top degree;
#                P^(-mu) of the two top orders of a run of orders); all
#                three grow without bound near a zero of the value
"""


WIDE_NOTE = """
# The wide domain: degrees -1 to 10^4, orders 0 to 500, angles 1e-8 to
# pi/2. Long runs store every few entries only (the entry column says which)."""


def compute_case(numbered_case):
    """The lines of one case and the largest disagreement of its methods;
    run in a worker process."""
    mp.dps = DIGITS
    for kind in largest_disagreement:
        largest_disagreement[kind] = mpf(0)
    text = io.StringIO()
    write_case(numbered_case[0], numbered_case[1], text)
    return text.getvalue(), dict(largest_disagreement)


def main():
    mp.dps = DIGITS
    out = sys.stdout
    if sys.argv[1:] == ['--wide']:
        out.write(HEADER.replace('\n# Made by', WIDE_NOTE + '\n# Made by', 1))
        cases = list(enumerate(WIDE_RUN_CASES + wide_single_cases(), start=1))
    elif sys.argv[1:]:
        sys.exit('usage: make_reference.py [--wide]')
    else:
        out.write(HEADER)
        cases = list(enumerate(SPECIAL_CASES + RUN_CASES + single_cases(), start=1))
    # Two worker processes; the lines are written in the order of the cases,
    # so the output does not depend on the number of workers.
    with multiprocessing.Pool(WORKERS) as pool:
        for text, disagreement in pool.imap(compute_case, cases, chunksize=4):
            out.write(text)
            for kind, value in disagreement.items():
                largest_disagreement[kind] = max(largest_disagreement[kind], value)
    for kind in (1, 2, 3, 4):
        sys.stderr.write('kind %d: largest relative difference between the methods %s\n'
                         % (kind, mpmath.nstr(largest_disagreement[kind], 3)))


if __name__ == '__main__':
    main()
