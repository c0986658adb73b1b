"""The comparison's arithmetic: a gated figure of a new build against a base build, measured side
by side round by round, and what may be concluded from it.

Each round gives one ratio new ÷ base. The figure is the median of those ratios with its 95%
interval (stats.median_interval). The verdict asks the interval, never the median alone:

  regressed     the lower bound is above REGRESSED_ABOVE: the new build is slower (or larger) by
                more than 3%, whatever the noise;
  held          otherwise, when the upper bound is at most HELD_UP_TO: it is no worse than 5%;
  inconclusive  otherwise: the noise hides the answer, and more rounds would tell.

Fewer than MIN_ROUNDS rounds are always inconclusive: their interval, the whole range, covers the
median less often than 95%. A regression is named first: an interval that lies wholly between 1.03 and 1.05 is a measured
slowdown, even if a small one. An inconclusive figure comes with the number of rounds that would
decide it, were its median to stay where it is and the interval to narrow as 1/sqrt(rounds).
"""
import math
from dataclasses import dataclass

import stats

HELD_UP_TO = 1.05
REGRESSED_ABOVE = 1.03
MIN_ROUNDS = 6


@dataclass
class Comparison:
    ratios: list  # new ÷ base, one per round, in round order
    median: float
    low: float
    high: float
    verdict: str
    rounds_to_decide: int = 0  # for an inconclusive verdict: how many rounds would decide it


def judge(low, high):
    """The verdict of an interval of the median ratio."""
    if low > REGRESSED_ABOVE:
        return "regressed"
    if high <= HELD_UP_TO:
        return "held"
    return "inconclusive"


def rounds_to_decide(rounds, median, low, high):
    """The rounds after which the interval, narrowing as 1/sqrt(rounds) around the same median,
    would give a verdict: regressed when the median is above REGRESSED_ABOVE (held cannot be
    reached there: the lower bound would rise past it first), held otherwise."""
    if median > REGRESSED_ABOVE:
        reach, needed = median - low, median - REGRESSED_ABOVE
    else:
        reach, needed = high - median, HELD_UP_TO - median
    # The interval's bounds are order statistics: they move a round or so at a time.
    return max(rounds + 1, math.ceil(rounds * (reach / needed) ** 2))


def compare(base, new):
    """Per-round values of each build (same length, round order) into a Comparison."""
    if len(base) != len(new) or not base:
        raise ValueError("the two builds need the same rounds, at least one")
    ratios = [b / a for a, b in zip(base, new)]
    median = stats.median(ratios)
    low, high = stats.median_interval(ratios)
    enough = len(ratios) >= MIN_ROUNDS
    result = Comparison(ratios, median, low, high, judge(low, high) if enough else "inconclusive")
    if result.verdict == "inconclusive":
        result.rounds_to_decide = max(MIN_ROUNDS, rounds_to_decide(len(ratios), median, low, high))
    return result
