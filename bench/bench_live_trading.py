"""Live trading: a bar by name against a bar by position, and a peek at the
forming bar against the update that closes it, side by side in one run.

    python bench/bench_live_trading.py

1. FeaturePipeline.update with a dict {column: value} against a list in
   input_names() order (goal: at most 1.3x), for a pipeline of four OHLC columns
   and for the ten features of bench_research.py (five columns).
2. FeaturePipeline.peek against FeaturePipeline.update for the ten features of
   bench_research.py, together and each alone (goal: at most 1.5x together),
   and for a class that peeks through a copy (Mma) for comparison.

Each figure is the best of several passes over the same 2,000 warmed-up bars,
the two sides of a row in alternation; ratios are peek / update and dict /
list (below 1 is cheaper).
"""

import numpy as np
from bench_research import features, ohlc
from harness import best_s

import zerak

BARS = 2_000
WARM = 500


def per_bar_ns(a, rows_a, b, rows_b, rounds=15):
    """Best ns per bar of a over rows_a and of b over rows_b, measured in
    alternation so that both see the same machine."""

    def loop(fn, rows):
        def run():
            for row in rows:
                fn(row)

        return run

    ta = tb = float("inf")
    for _ in range(rounds):
        ta = min(ta, best_s(loop(a, rows_a), repeat=1))
        tb = min(tb, best_s(loop(b, rows_b), repeat=1))
    return ta / len(rows_a) * 1e9, tb / len(rows_b) * 1e9


def pipeline_of(feats, columns):
    p = zerak.FeaturePipeline(list(feats), columns)
    return p


def dict_vs_list(name, p, data, columns):
    lists = [[float(v) for v in row] for row in data[WARM : WARM + BARS]]
    dicts = [dict(zip(columns, row, strict=True)) for row in lists]
    p.update_many(data[:WARM])
    t_list, t_dict = per_bar_ns(p.update, lists, p.update, dicts)
    print(f"{name:<44} {t_list:>9.0f} {t_dict:>9.0f} {t_dict / t_list:>7.2f}x")


def peek_vs_update(name, p, data):
    rows = [[float(v) for v in row] for row in data[WARM : WARM + BARS]]
    p.update_many(data[:WARM])
    t_update, t_peek = per_bar_ns(p.update, rows, p.peek, rows)
    print(f"{name:<44} {t_update:>9.0f} {t_peek:>9.0f} {t_peek / t_update:>7.2f}x")
    return t_update, t_peek


def main():
    data = ohlc()[: WARM + BARS]  # columns t, open, high, low, close
    columns = ["t", "open", "high", "low", "close"]

    print("update: a bar by name (dict) against by position (list), ns per bar")
    print(f"{'pipeline':<44} {'list':>9} {'dict':>9} {'ratio':>8}")
    ohlc_cols = ["open", "high", "low", "close"]
    four = pipeline_of(
        [
            zerak.Sma(["close"], 20, ["sma20"]),
            zerak.ParkinsonVolatility(["high", "low"], 20, ["pk20"]),
            zerak.RogersSatchellVolatility(["high", "low", "open", "close"], 20, ["rs20"]),
        ],
        ohlc_cols,
    )
    dict_vs_list("Sma, Parkinson, RogersSatchell (4 columns)", four, data[:, 1:], ohlc_cols)
    one = pipeline_of([zerak.Sma(["close"], 20, ["sma20"])], ohlc_cols)
    dict_vs_list("Sma alone (4 columns; the binding's floor)", one, data[:, 1:], ohlc_cols)
    ten = pipeline_of(features().values(), columns)
    dict_vs_list("the ten features (5 columns)", ten, data, columns)

    print()
    print("peek at the forming bar against update, ns per bar")
    print(f"{'pipeline':<44} {'update':>9} {'peek':>9} {'ratio':>8}")
    peek_vs_update("the ten features together", pipeline_of(features().values(), columns), data)
    for name, feature in features().items():
        extra = [] if name.startswith(("Skewness", "Kurtosis", "Shannon")) else None
        feats = [feature] if extra is None else [zerak.LogReturn(["close"], 10, ["ret10"]), feature]
        peek_vs_update(f"  {name}", pipeline_of(feats, columns), data)
    peek_vs_update(
        "Mma(close, 50) (peeks through a copy)",
        pipeline_of([zerak.Mma(["close"], 50, ["mma50"])], columns),
        data,
    )


if __name__ == "__main__":
    np.seterr(all="ignore")
    main()
