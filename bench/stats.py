"""Small statistics for the benchmarks: medians, spreads, pairwise ratios, straight lines."""
import math
import random
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


def median_interval(values, level=0.95, resamples=2000):
    """A bootstrap confidence interval of the median (a fixed seed: the same data give the same
    interval)."""
    generator = random.Random(20261207)
    medians = sorted(statistics.median(generator.choices(values, k=len(values))) for _ in range(resamples))
    cut = int(resamples * (1 - level) / 2)
    return medians[cut], medians[resamples - 1 - cut]


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
