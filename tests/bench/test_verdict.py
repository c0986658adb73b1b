"""The comparison's arithmetic on fixed rounds: the interval of the median ratio and each verdict
at its edge."""
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "bench"))

import stats  # noqa: E402
import verdict  # noqa: E402


def rounds_with_bounds(low, high, n=20):
    """n per-round ratios whose 95% interval of the median is exactly (low, high): at n = 20 the
    interval is the 6th and 15th smallest value, so those two are set and the rest lie outside."""
    below = [low - 0.01 * (i + 1) for i in range(5)]
    between = [low + (high - low) * i / 9 for i in range(10)]
    above = [high + 0.01 * (i + 1) for i in range(5)]
    return below + between + above


class IntervalTest(unittest.TestCase):
    def test_order_statistics_cover_the_median_at_95_percent(self):
        # Ranks from the binomial tail: n = 10 gives the 2nd and 9th, n = 20 the 6th and 15th.
        self.assertEqual(stats.median_interval(list(range(10, 0, -1))), (2, 9))
        self.assertEqual(stats.median_interval(list(range(1, 21))), (6, 15))
        # Too few rounds for 95%: the whole range.
        self.assertEqual(stats.median_interval([3, 1, 2, 5, 4]), (1, 5))

    def test_interval_of_built_rounds(self):
        self.assertEqual(stats.median_interval(rounds_with_bounds(0.97, 1.05)), (0.97, 1.05))


class VerdictTest(unittest.TestCase):
    def verdict_of(self, low, high):
        ratios = rounds_with_bounds(low, high)
        return verdict.compare([1.0] * len(ratios), ratios)

    def test_held_up_to_and_including_five_percent(self):
        self.assertEqual(self.verdict_of(0.97, 1.05).verdict, "held")
        self.assertEqual(self.verdict_of(0.97, 1.0501).verdict, "inconclusive")

    def test_regressed_only_above_three_percent(self):
        self.assertEqual(self.verdict_of(1.0301, 1.12).verdict, "regressed")
        self.assertEqual(self.verdict_of(1.03, 1.12).verdict, "inconclusive")

    def test_a_measured_small_slowdown_is_a_regression(self):
        # Wholly between 1.03 and 1.05: the interval says slower, if by little.
        self.assertEqual(self.verdict_of(1.035, 1.045).verdict, "regressed")

    def test_rounds_that_would_decide(self):
        # Median 1.0 with its upper bound 0.10 above: held needs the bound 0.05 above, which
        # takes four times the rounds.
        self.assertEqual(verdict.rounds_to_decide(20, 1.0, 0.95, 1.10), 80)
        # Median 1.06, lower bound 0.06 below: regressed needs it within 0.03, four times again.
        self.assertEqual(verdict.rounds_to_decide(20, 1.06, 1.0, 1.12), 80)
        # Never fewer than one more round.
        self.assertEqual(verdict.rounds_to_decide(20, 1.0, 0.99, 1.0501), 21)
        inconclusive = self.verdict_of(0.97, 1.08)
        self.assertEqual(inconclusive.verdict, "inconclusive")
        self.assertGreater(inconclusive.rounds_to_decide, 20)

    def test_too_few_rounds_decide_nothing(self):
        result = verdict.compare([1.0] * 5, [1.0] * 5)
        self.assertEqual((result.verdict, result.rounds_to_decide), ("inconclusive", 6))
        self.assertEqual(verdict.compare([1.0] * 6, [1.0] * 6).verdict, "held")

    def test_ratios_are_new_over_base_round_by_round(self):
        result = verdict.compare([2.0, 4.0, 10.0], [2.2, 4.4, 11.0])
        self.assertEqual([round(r, 9) for r in result.ratios], [1.1, 1.1, 1.1])
        with self.assertRaises(ValueError):
            verdict.compare([1.0], [1.0, 2.0])


if __name__ == "__main__":
    unittest.main()
