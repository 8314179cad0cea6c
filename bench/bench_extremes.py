"""Window extremes: RollingMin / RollingMax in research mode against bottleneck,
pandas and polars (1,000,000 bars, windows 20 / 100 / 1,000 / 10,000); the
indicators against TA-Lib's batch functions (default periods, checking the
million outputs too); live updates against the floor and TA-Lib's streaming
handles. Research figures are CPU time of the calling thread (steadier than
wall time on a shared machine); ratios are to the first row of each table.

    python bench/bench_extremes.py
"""

import math
import sys

import numpy as np
from harness import best_cpu_s, floor, have, per_call_ns, print_table

import zerak

BARS = 1_000_000
WINDOWS = [20, 100, 1_000, 10_000]


def walk_ohlc(n, seed=1):
    rng = np.random.default_rng(seed)
    close = 100.0 + np.cumsum(rng.normal(0.0, 1.0, n))
    high = close + np.abs(rng.normal(0.0, 0.7, n))
    low = close - np.abs(rng.normal(0.0, 0.7, n))
    return high, low, close


def research(obj, data):
    pipe = zerak.FeaturePipeline([obj], obj.input_names())
    return lambda: pipe.run_research_array(data)


def rolling_tables(close):
    column = np.ascontiguousarray(close.reshape(-1, 1))
    import bottleneck as bn
    import pandas as pd

    series = pd.Series(close)
    polars = None
    if have("polars"):
        import polars as pl

        polars = pl.Series(close)
    for kind, cls, bn_fn in (
        ("min", zerak.RollingMin, bn.move_min),
        ("max", zerak.RollingMax, bn.move_max),
    ):
        for w in WINDOWS:
            rows = [
                (
                    f"zerak Rolling{kind.title()}({w}) run_research_array",
                    best_cpu_s(research(cls(["x"], w, ["y"]), column), repeat=5),
                ),
                (f"bottleneck move_{kind}", best_cpu_s(lambda: bn_fn(close, w), repeat=5)),
                (
                    f"pandas rolling({w}).{kind}()",
                    best_cpu_s(lambda: getattr(series.rolling(w), kind)(), repeat=3),
                ),
            ]
            if polars is not None:
                rows.append(
                    (
                        f"polars rolling_{kind}({w})",
                        best_cpu_s(lambda: getattr(polars, f"rolling_{kind}")(w), repeat=3),
                    )
                )
            print_table(
                f"Rolling {kind}, window {w}, {BARS:,} bars",
                [(n, s * 1e3) for n, s in rows],
                unit="CPU ms",
            )


def worst_relative(got, want):
    ok = ~np.isnan(want)
    assert (np.isnan(got) == np.isnan(want)).all(), "warm-up or missing rows differ"
    scale = np.maximum(np.abs(want[ok]), 1e-3)
    return float(np.max(np.abs(got[ok] - want[ok]) / scale))


def indicator_tables(h, l, c):
    import talib

    data = np.column_stack([h, l, c])
    cases = {
        "Stochastic(fastk=5, slowk=3, slowd=3)": (
            zerak.Stochastic(["h", "l", "c"], ["k", "d"]),
            lambda: talib.STOCH(h, l, c),
            "STOCH",
        ),
        "WilliamsR(14)": (
            zerak.WilliamsR(["h", "l", "c"], 14, ["r"]),
            lambda: talib.WILLR(h, l, c, 14),
            "WILLR",
        ),
        "Aroon(14)": (
            zerak.Aroon(["h", "l"], 14, ["down", "up"]),
            lambda: talib.AROON(h, l, 14),
            "AROON",
        ),
    }
    for name, (obj, batch, ta_name) in cases.items():
        run = research(obj, np.ascontiguousarray(data[:, : len(obj.input_names())]))
        out = batch()
        want = np.column_stack(out if isinstance(out, tuple) else [out])
        worst = worst_relative(run(), want)
        print_table(
            f"{name}, {BARS:,} bars (largest difference from TA-Lib: {worst:.1e} relative)",
            [
                (f"zerak {name} run_research_array", best_cpu_s(run, repeat=5) * 1e3),
                (f"TA-Lib {ta_name}", best_cpu_s(batch, repeat=5) * 1e3),
            ],
            unit="CPU ms",
        )
    import pandas as pd

    donchian = research(
        zerak.DonchianChannel(["h", "l"], 20, ["u", "m", "l"]), np.ascontiguousarray(data[:, :2])
    )
    hs, ls = pd.Series(h), pd.Series(l)

    def pandas_donchian():
        upper, lower = hs.rolling(20).max(), ls.rolling(20).min()
        return upper, (upper + lower) / 2, lower

    print_table(
        f"DonchianChannel(20), {BARS:,} bars (no TA-Lib function)",
        [
            ("zerak DonchianChannel(20) run_research_array", best_cpu_s(donchian, repeat=5) * 1e3),
            (
                "pandas rolling max, min, mean of the two",
                best_cpu_s(pandas_donchian, repeat=3) * 1e3,
            ),
        ],
        unit="CPU ms",
    )


def live_tables(h, l, c):
    n = 100_000
    history = 20_000
    hist = (h[:history], l[:history], c[:history])
    live = list(
        zip(
            h[history : history + n].tolist(),
            l[history : history + n].tolist(),
            c[history : history + n].tolist(),
            strict=True,
        )
    )
    f = floor()
    closes = [[x[2]] for x in live]
    cases = [
        (
            "RollingMin(10000)",
            zerak.RollingMin(["c"], 10_000, ["y"]),
            closes,
            lambda s: s.MIN(hist[2], timeperiod=10_000),
            lambda t: [x[2] for x in live],
            1,
        ),
        (
            "Stochastic()",
            zerak.Stochastic(["h", "l", "c"], ["k", "d"]),
            [list(x) for x in live],
            lambda s: s.STOCH(*hist),
            lambda t: live,
            3,
        ),
        (
            "WilliamsR(14)",
            zerak.WilliamsR(["h", "l", "c"], 14, ["r"]),
            [list(x) for x in live],
            lambda s: s.WILLR(*hist, timeperiod=14),
            lambda t: live,
            3,
        ),
        (
            "Aroon(14)",
            zerak.Aroon(["h", "l"], 14, ["d", "u"]),
            [list(x[:2]) for x in live],
            lambda s: s.AROON(hist[0], hist[1], timeperiod=14),
            lambda t: [x[:2] for x in live],
            2,
        ),
    ]
    for name, obj, rows, make_handle, handle_rows, arity in cases:
        for row, x in zip(rows[:10_000], c[:10_000], strict=True):  # warm the window up
            obj.update([x] * len(row))
        floor_ns, ours = math.inf, math.inf
        for _ in range(3):  # alternate, so both see the same load
            floor_ns = min(floor_ns, per_call_ns(f.update, closes, repeat=3))
            ours = min(ours, per_call_ns(obj.update, rows, repeat=3))
        table = [
            ("floor: C method, list in, new list out", floor_ns),
            (f"zerak {name}.update(row)", ours),
        ]
        if have("talib"):
            from talib import stream

            handle = make_handle(stream)
            args = handle_rows(stream)
            if arity == 1:
                ta_ns = per_call_ns(handle.update, args)
            else:
                update = handle.update
                ta_ns = per_call_ns(lambda a: update(*a), args)
                table.append(
                    (
                        "  (a Python lambda unpacking the row, as TA-Lib needs)",
                        per_call_ns(lambda a: None, args),
                    )
                )
            table.append(("TA-Lib stream handle .update(...)", ta_ns))
        print_table(f"Live {name}, one bar per call", table, baseline=table[0][0])


def main():
    h, l, c = walk_ohlc(BARS)
    rolling_tables(c)
    if have("talib"):
        indicator_tables(h, l, c)
    live_tables(h, l, c)
    sys.stdout.flush()


if __name__ == "__main__":
    main()
