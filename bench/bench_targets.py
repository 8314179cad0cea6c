"""Labelling a million bars with TargetPipeline.run_research against the same
labels computed with pandas.

Every target runs at horizons 5, 20 and 60 (nine targets, twelve label
columns) over a random-walk close, the slope regressing it on a second
random walk (a market index, say). With the bar index as regressor pandas'
running sums drift visibly (R² off by up to 0.99 at a million bars), so that
side would no longer compute the same labels. zerak returns Python lists,
pandas numpy-backed Series, so the table also shows pandas with its labels
turned into lists, the like-for-like output.

Each figure is the best of three runs in thread CPU time: every row is one
single-threaded call of a second or so, and on a shared machine CPU time
keeps the ratios steady where wall time swings with the load.
"""

import numpy as np
import pandas as pd
from harness import best_cpu_s, print_table

import zerak

BARS = 1_000_000
HORIZONS = (5, 20, 60)


def data():
    rng = np.random.default_rng(42)
    close = 100.0 * np.exp(np.cumsum(rng.normal(0.0, 0.01, BARS)))
    close[rng.choice(BARS, BARS // 1000, replace=False)] = np.nan
    index = 100.0 * np.exp(np.cumsum(rng.normal(0.0, 0.01, BARS)))
    return np.vstack([close, index])


def pipeline():
    targets = []
    for h in HORIZONS:
        targets += [
            zerak.FutureReturn(["close"], h, [f"ret_{h}"]),
            zerak.FutureLinearSlope(["index", "close"], h, [f"slope_{h}", f"r2_{h}"]),
            zerak.FutureCTCVolatility(["close"], h, [f"vol_{h}"]),
        ]
    return zerak.TargetPipeline(targets, ["close", "index"])


def pandas_labels(close: np.ndarray, index: np.ndarray) -> list[pd.Series]:
    c, x = pd.Series(close), pd.Series(index)
    prev = c.shift(1)
    lr = np.log((c / prev).where((c > 0) & (prev > 0)))
    out = []
    for h in HORIZONS:
        # Windows start at bar i: pandas' trailing windows end at i + h - 1.
        cov = x.rolling(h).cov(c)
        var_x = x.rolling(h).var()
        corr = x.rolling(h).corr(c)
        out += [
            ((c.shift(-h) - c) / c).where(c > 0),
            (cov / var_x).shift(-(h - 1)),
            (corr * corr).shift(-(h - 1)),
            lr.rolling(h).std().shift(-h),
        ]
    return out


def main() -> None:
    a = data()
    p = pipeline()
    rows_of_arrays = [a[0], a[1]]
    as_lists = a.tolist()

    # Same labels on both sides: identical gaps everywhere, returns and
    # volatilities to rounding. pandas' running sums drift on the slope and
    # R² (R² off by 0.08 at horizon 5 here), so those are checked on sampled
    # windows against numpy's direct fit instead.
    ours = dict(zip(p.output_names(), p.run_research(a), strict=True))
    theirs = dict(zip(p.output_names(), pandas_labels(a[0], a[1]), strict=True))
    rng = np.random.default_rng(0)
    for name, column in ours.items():
        mine = np.asarray(column)
        np.testing.assert_array_equal(np.isnan(mine), theirs[name].isna().to_numpy(), name)
        if not name.startswith(("slope", "r2")):
            np.testing.assert_allclose(mine, theirs[name], rtol=1e-8, atol=1e-12, err_msg=name)
            continue
        h = int(name.split("_")[1])
        for i in rng.choice(np.flatnonzero(~np.isnan(mine)), 200):
            x, y = a[1][i : i + h], a[0][i : i + h]
            want = (
                np.polyfit(x, y, 1)[0] if name.startswith("slope") else np.corrcoef(x, y)[0, 1] ** 2
            )
            assert abs(mine[i] - want) <= 1e-6 * max(1.0, abs(want)), (name, i)

    rows = [
        ("pandas: Series labels", best_cpu_s(lambda: pandas_labels(a[0], a[1]))),
        (
            "pandas: labels as lists",
            best_cpu_s(lambda: [s.tolist() for s in pandas_labels(a[0], a[1])]),
        ),
        ("zerak: run_research(2-D float64 array)", best_cpu_s(lambda: p.run_research(a))),
        ("zerak: run_research([1-D arrays])", best_cpu_s(lambda: p.run_research(rows_of_arrays))),
        ("zerak: run_research(lists of floats)", best_cpu_s(lambda: p.run_research(as_lists))),
        (
            "12 label columns to lists alone (numpy tolist)",
            best_cpu_s(lambda: [col.tolist() for col in np.empty((12, BARS))]),
        ),
    ]
    print_table(
        f"Nine targets (return, slope, volatility at horizons {HORIZONS}) over {BARS:,} bars "
        "(lower is better; ratio to pandas)",
        [(name, s * 1e3) for name, s in rows],
        unit="CPU ms",
    )
    long_horizon()


def long_horizon() -> None:
    """A horizon of half the series: each chunk reads the horizon's bars
    besides its own, so chunks label at least as many bars as that."""
    bars, h = 1_600_000, 800_000
    close = 100.0 * np.exp(np.cumsum(np.random.default_rng(7).normal(0.0, 0.01, bars)))
    p = zerak.TargetPipeline([zerak.FutureReturn(["close"], h, ["r"])], ["close"])
    want = np.full(bars, np.nan)
    want[:-h] = (close[h:] - close[:-h]) / close[:-h]
    np.testing.assert_array_equal(np.asarray(p.run_research_array([close]))[0], want)
    rows = [
        (
            "numpy: (close[h:] - close[:-h]) / close[:-h]",
            best_cpu_s(lambda: (close[h:] - close[:-h]) / close[:-h]),
        ),
        ("zerak: run_research_array([close])", best_cpu_s(lambda: p.run_research_array([close]))),
    ]
    print_table(
        f"FutureReturn at horizon {h:,} over {bars:,} bars (lower is better; ratio to numpy)",
        [(name, s * 1e3) for name, s in rows],
        unit="CPU ms",
    )


if __name__ == "__main__":
    main()
