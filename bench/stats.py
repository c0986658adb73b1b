"""Small statistics for the benchmarks: medians, spreads, pairwise ratios, straight lines."""
import math
import statistics


def median(values):
    return statistics.median(values)


def quartiles(values):
    """The first and third quartiles (the inclusive method, as for a box plot)."""
    if len(values) < 2:
        return values[0], values[0]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[2]


def spread(values):
    """A short text of the spread: min–max and the interquartile range."""
    low, high = quartiles(values)
    return "min %s, IQR %s–%s, max %s" % (fmt(min(values)), fmt(low), fmt(high), fmt(max(values)))


def median_interval(values, level=0.95):
    """A confidence interval of the median that assumes nothing of the distribution: the order
    statistics x(k) and x(n + 1 - k) of the sorted values, with k the largest rank for which the
    chance that fewer than k of n values fall below the median, P(B(n, 1/2) < k), is within
    (1 - level) / 2. Exact and repeatable (no resampling). Fewer than 6 values at 95% give the
    whole range, which then covers the median less often than asked."""
    ordered = sorted(values)
    n = len(ordered)
    rank, below = 0, 0
    while rank < n // 2:
        below += math.comb(n, rank)  # P(B < rank + 1) * 2^n
        if below * 2 > (1 - level) * 2 ** n:
            break
        rank += 1
    if rank == 0:
        return ordered[0], ordered[-1]
    return ordered[rank - 1], ordered[n - rank]


def ratios(pairs):
    """Per-pair ratios b / a, in round order."""
    return [b / a for a, b in pairs]


def fit_line(xs, ys):
    """Least squares y = intercept + slope x; returns (slope, intercept, r squared)."""
    n = len(xs)
    mean_x, mean_y = sum(xs) / n, sum(ys) / n
    sxx = sum((x - mean_x) ** 2 for x in xs)
    sxy = sum((x - mean_x) * (y - mean_y) for x, y in zip(xs, ys))
    slope = sxy / sxx
    intercept = mean_y - slope * mean_x
    ss_res = sum((y - (intercept + slope * x)) ** 2 for x, y in zip(xs, ys))
    ss_tot = sum((y - mean_y) ** 2 for y in ys)
    return slope, intercept, 1.0 - ss_res / ss_tot if ss_tot else 1.0


def fmt(value, digits=3):
    """A number with `digits` significant digits, without exponent for everyday sizes."""
    if value == 0:
        return "0"
    magnitude = abs(value)
    if magnitude >= 10 ** digits:
        return "%.0f" % value
    decimals = digits - 1 - int(math.floor(math.log10(magnitude)))
    return "%.*f" % (max(decimals, 0), value)
