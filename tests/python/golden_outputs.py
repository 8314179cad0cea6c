"""Hashes of what every class computes on awkward data, research and live,
on each instruction set path this CPU has; golden.json holds them as a
build computed them, so that a change of any result bit shows.

The data uses only the raw PCG64 stream and + - * / arithmetic, so it is the
same bits with any numpy version and on any CPU (numpy's log or cos may
differ in the last place between builds)."""

import hashlib
import json
import pathlib
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
GOLDEN = HERE / "golden.json"
COLUMNS = ["o", "h", "l", "c", "x"]
RESEARCH_BARS = 1_000_000
LIVE_BARS = 100_000


def catalogue():
    """{name: "transform" or "target"} for the module's classes, in export
    order: transforms have update, targets forward_period; the pipelines,
    which also have one of them, hold other objects (they have a length)."""
    from zerak import _zerak

    out = {}
    for name in _zerak.__all__:
        cls = getattr(_zerak, name)
        if isinstance(cls, type) and not hasattr(cls, "__len__"):
            if hasattr(cls, "update"):
                out[name] = "transform"
            elif hasattr(cls, "forward_period"):
                out[name] = "target"
    return out


def _uniform(rng, n):
    return (rng.random_raw(n) >> np.uint64(11)).astype(np.float64) * 2.0**-53


def _series(rng, n, start):
    """Walk segments at random levels broken by awkward stretches: NaN runs,
    constants, ties, zeros, negatives, huge and tiny magnitudes, values in [0, 1]."""
    x = np.empty(n)
    at = 0
    while at < n:
        m = min(n - at, 1 + int(rng.random_raw() % np.uint64(4000)))
        kind = int(rng.random_raw() % np.uint64(20))
        u = _uniform(rng, m)
        level = start * (0.05 + 2.0 * _uniform(rng, 1)[0])
        walk = level + np.cumsum((u - 0.5) * (0.02 * level))
        seg = x[at : at + m]
        if kind == 0:
            seg[:] = np.nan
        elif kind == 1:
            seg[:] = level
        elif kind == 2:
            seg[:] = np.round(walk / (0.01 * level))  # few distinct values: ties
        elif kind == 3:
            seg[:] = 0.0
        elif kind == 4:
            seg[:] = -walk
        elif kind == 5:
            seg[:] = walk * 1e300
        elif kind == 6:
            seg[:] = walk * 1e-305  # squares underflow
        elif kind == 7:
            seg[:] = np.where(u < 0.05, 0.0, np.where(u > 0.95, 1.0, u))
        elif kind == 8:
            seg[:] = np.where(u < 0.5, -1.0, 1.0) * level
        else:
            seg[:] = walk
        at += m
    # Isolated NaN and infinities everywhere.
    u = _uniform(rng, n)
    x[u < 3e-4] = np.nan
    x[(u >= 3e-4) & (u < 3.5e-4)] = np.inf
    x[(u >= 3.5e-4) & (u < 4e-4)] = -np.inf
    return x


def nasty_bars(n, seed=17):
    """Float64 bars, columns COLUMNS: open, high, low, close of an awkward
    close series (with some bars where high < low), and an independent x."""
    rng = np.random.PCG64(seed)
    c = _series(rng, n, 100.0)
    o = np.concatenate([[c[0]], c[:-1]])
    spread = np.abs(c) * 0.004 * _uniform(rng, n)
    with np.errstate(invalid="ignore"):  # inf - inf
        h = np.fmax(o, c) + spread
        lo = np.fmin(o, c) - spread * _uniform(rng, n)
    swap = _uniform(rng, n) < 1e-3
    h[swap], lo[swap] = lo[swap], h[swap]
    x = _series(rng, n, 50.0)
    near = np.arange(n) // 5000 % 3 == 0  # x follows c a third of the time
    x[near] = c[near] + (_uniform(rng, int(near.sum())) - 0.5)
    bars = np.column_stack([o, h, lo, c, x])
    for j in range(5):  # each column has isolated gaps of its own
        bars[_uniform(rng, n) < 2e-4, j] = np.nan
    return bars


def _configs():
    import zerak as z

    # label -> factory(outputs); windows are kept small where the cost grows fast
    # (Kendall, Adf) so that the whole check stays quick.
    return {
        "Sma 3": lambda o: z.Sma(["c"], 3, o(1)),
        "Sma 400": lambda o: z.Sma(["c"], 400, o(1)),
        "Ema 1": lambda o: z.Ema(["c"], 1, o(1)),
        "Ema 30": lambda o: z.Ema(["c"], 30, o(1)),
        "Ema 400": lambda o: z.Ema(["x"], 400, o(1)),
        "Kama 10 2 30": lambda o: z.Kama(["c"], 10, o(1)),
        "Kama 60 5 90": lambda o: z.Kama(["c"], 60, o(1), fast=5, slow=90),
        "SimpleReturn 1": lambda o: z.SimpleReturn(["c"], 1, o(1)),
        "SimpleReturn 25": lambda o: z.SimpleReturn(["x"], 25, o(1)),
        "LogReturn 1": lambda o: z.LogReturn(["c"], 1, o(1)),
        "LogReturn 25": lambda o: z.LogReturn(["x"], 25, o(1)),
        "Mma 4": lambda o: z.Mma(["c"], 4, o(1)),
        "Mma 301": lambda o: z.Mma(["x"], 301, o(1)),
        "Skewness 3": lambda o: z.Skewness(["c"], 3, o(1)),
        "Skewness 300": lambda o: z.Skewness(["c"], 300, o(1)),
        "Kurtosis 4": lambda o: z.Kurtosis(["c"], 4, o(1)),
        "Kurtosis 300": lambda o: z.Kurtosis(["x"], 300, o(1)),
        "Skewness 30 accurate": lambda o: z.Skewness(["c"], 30, o(1), accurate=True),
        "Kurtosis 300 accurate": lambda o: z.Kurtosis(["x"], 300, o(1), accurate=True),
        "LinearSlope 2": lambda o: z.LinearSlope(["x", "c"], 2, o(2)),
        "LinearSlope 250": lambda o: z.LinearSlope(["x", "c"], 250, o(2)),
        "ParkinsonVolatility 5": lambda o: z.ParkinsonVolatility(["h", "l"], 5, o(1)),
        "ParkinsonVolatility 250": lambda o: z.ParkinsonVolatility(["h", "l"], 250, o(1)),
        "RogersSatchellVolatility 5": lambda o: z.RogersSatchellVolatility(
            ["h", "l", "o", "c"], 5, o(1)
        ),
        "RogersSatchellVolatility 250": lambda o: z.RogersSatchellVolatility(
            ["h", "l", "o", "c"], 250, o(1)
        ),
        "ShannonEntropy 20": lambda o: z.ShannonEntropy(["c"], 20, o(1)),
        "ShannonEntropy 200 bins 7 raw": lambda o: z.ShannonEntropy(
            ["x"], 200, o(1), bins=7, normalize=False
        ),
        "ShannonEntropy 50 bins 2": lambda o: z.ShannonEntropy(["c"], 50, o(1), bins=2),
        "Correlation pearson 5": lambda o: z.Correlation(["c", "x"], 5, o(1)),
        "Correlation pearson 300": lambda o: z.Correlation(["c", "x"], 300, o(1)),
        "Correlation pearson 40 accurate": lambda o: z.Correlation(
            ["c", "x"], 40, o(1), accurate=True
        ),
        "Correlation spearman 5": lambda o: z.Correlation(["c", "x"], 5, o(1), method="spearman"),
        "Correlation spearman 200": lambda o: z.Correlation(
            ["c", "x"], 200, o(1), method="spearman"
        ),
        "Correlation kendall 2": lambda o: z.Correlation(["c", "x"], 2, o(1), method="kendall"),
        "Correlation kendall 40": lambda o: z.Correlation(["c", "x"], 40, o(1), method="kendall"),
        "AutoCorrelation pearson 20 1": lambda o: z.AutoCorrelation(["c"], 20, o(1)),
        "AutoCorrelation pearson 300 7": lambda o: z.AutoCorrelation(["x"], 300, o(1), lag=7),
        "AutoCorrelation spearman 100 5": lambda o: z.AutoCorrelation(
            ["c"], 100, o(1), lag=5, method="spearman"
        ),
        "AutoCorrelation kendall 30 3": lambda o: z.AutoCorrelation(
            ["x"], 30, o(1), lag=3, method="kendall"
        ),
        "Adf c 12 lags 0": lambda o: z.Adf(["c"], 12, o(2), lags=0),
        "Adf c 20 lags 1": lambda o: z.Adf(["x"], 20, o(2), lags=1),
        "Adf ct 25 default lags": lambda o: z.Adf(["c"], 25, o(2), regression="ct"),
        "Add": lambda o: z.Add(["c", "x"], o(1)),
        "Subtract": lambda o: z.Subtract(["c", "x"], o(1)),
        "Multiply": lambda o: z.Multiply(["c", "x"], o(1)),
        "Divide": lambda o: z.Divide(["c", "x"], o(1)),
        "Reciprocal": lambda o: z.Reciprocal(["x"], o(1)),
        "NegLog": lambda o: z.NegLog(["x"], o(1)),
        "Log": lambda o: z.Log(["c"], o(1)),
        "Logit": lambda o: z.Logit(["x"], o(1)),
        "RollingZScore 2": lambda o: z.RollingZScore(["c"], 2, o(1)),
        "RollingZScore 300": lambda o: z.RollingZScore(["x"], 300, o(1)),
        "FixedZScore": lambda o: z.FixedZScore(["c"], o(1), 100.0, 2.5),
        "FixedZScore tiny std": lambda o: z.FixedZScore(["x"], o(1), -3, 1e-300),
        "FutureReturn 1": lambda o: z.FutureReturn(["c"], 1, o(1)),
        "FutureReturn 60": lambda o: z.FutureReturn(["x"], 60, o(1)),
        "FutureCTCVolatility 2": lambda o: z.FutureCTCVolatility(["c"], 2, o(1)),
        "FutureCTCVolatility 120": lambda o: z.FutureCTCVolatility(["x"], 120, o(1)),
        "FutureLinearSlope 2": lambda o: z.FutureLinearSlope(["x", "c"], 2, o(2)),
        "FutureLinearSlope 120": lambda o: z.FutureLinearSlope(["x", "c"], 120, o(2)),
        "RollingQuantile 1 q 0.3": lambda o: z.RollingQuantile(["c"], 1, o(1), q=0.3),
        "RollingQuantile 2 q 0.5": lambda o: z.RollingQuantile(["x"], 2, o(1)),
        "RollingQuantile 20 q 0.9": lambda o: z.RollingQuantile(["c"], 20, o(1), q=0.9),
        "RollingQuantile 1000 q 0.25": lambda o: z.RollingQuantile(["x"], 1000, o(1), q=0.25),
        "RollingRank 1": lambda o: z.RollingRank(["c"], 1, o(1)),
        "RollingRank 7": lambda o: z.RollingRank(["c"], 7, o(1)),
        "RollingRank 600": lambda o: z.RollingRank(["x"], 600, o(1)),
        "Obv": lambda o: z.Obv(["c", "x"], o(1)),
        "AccumulationDistribution": lambda o: z.AccumulationDistribution(
            ["h", "l", "c", "x"], o(1)
        ),
        "ChaikinMoneyFlow 1": lambda o: z.ChaikinMoneyFlow(["h", "l", "c", "x"], 1, o(1)),
        "ChaikinMoneyFlow 20": lambda o: z.ChaikinMoneyFlow(["h", "l", "c", "x"], 20, o(1)),
        "Mfi 2": lambda o: z.Mfi(["h", "l", "c", "x"], 2, o(1)),
        "Mfi 14": lambda o: z.Mfi(["h", "l", "c", "x"], 14, o(1)),
        "Vwap 1": lambda o: z.Vwap(["h", "l", "c", "x"], 1, o(1)),
        "Vwap 300": lambda o: z.Vwap(["h", "l", "c", "x"], 300, o(1)),
        "GarmanKlassVolatility 1": lambda o: z.GarmanKlassVolatility(["o", "h", "l", "c"], 1, o(1)),
        "GarmanKlassVolatility 30": lambda o: z.GarmanKlassVolatility(
            ["o", "h", "l", "c"], 30, o(1)
        ),
        "YangZhangVolatility 2": lambda o: z.YangZhangVolatility(["o", "h", "l", "c"], 2, o(1)),
        "YangZhangVolatility 30": lambda o: z.YangZhangVolatility(["o", "h", "l", "c"], 30, o(1)),
        "Lag 1": lambda o: z.Lag(["c"], 1, o(1)),
        "Lag 500": lambda o: z.Lag(["x"], 500, o(1)),
        "Diff 1": lambda o: z.Diff(["c"], 1, o(1)),
        "Diff 37": lambda o: z.Diff(["x"], 37, o(1)),
        "Abs": lambda o: z.Abs(["x"], o(1)),
        "Sqrt": lambda o: z.Sqrt(["x"], o(1)),
        "Exp": lambda o: z.Exp(["x"], o(1)),
        "Sign": lambda o: z.Sign(["x"], o(1)),
        "Scale": lambda o: z.Scale(["c"], o(1), scale=-0.01, offset=1.0),
        "Clip both": lambda o: z.Clip(["c"], o(1), lower=99.0, upper=101.0),
        "Clip upper": lambda o: z.Clip(["x"], o(1), upper=0.0),
        "Maximum": lambda o: z.Maximum(["c", "x"], o(1)),
        "Minimum": lambda o: z.Minimum(["c", "x"], o(1)),
        "EwmVariance 2": lambda o: z.EwmVariance(["c"], 2, o(1)),
        "EwmVariance 400": lambda o: z.EwmVariance(["x"], 400, o(1)),
        "EwmStd 20": lambda o: z.EwmStd(["c"], 20, o(1)),
        "RollingMin 1": lambda o: z.RollingMin(["c"], 1, o(1)),
        "RollingMin 500": lambda o: z.RollingMin(["x"], 500, o(1)),
        "RollingMax 3": lambda o: z.RollingMax(["c"], 3, o(1)),
        "RollingMax 500": lambda o: z.RollingMax(["x"], 500, o(1)),
        "BarsSinceMax 20": lambda o: z.BarsSinceMax(["c"], 20, o(1)),
        "BarsSinceMin 300": lambda o: z.BarsSinceMin(["x"], 300, o(1)),
        "Stochastic 5 3 3": lambda o: z.Stochastic(["h", "l", "c"], o(2)),
        "Stochastic 40 1 7": lambda o: z.Stochastic(
            ["h", "l", "c"], o(2), fastk=40, slowk=1, slowd=7
        ),
        "WilliamsR 14": lambda o: z.WilliamsR(["h", "l", "c"], 14, o(1)),
        "Aroon 2": lambda o: z.Aroon(["h", "l"], 2, o(2)),
        "Aroon 25": lambda o: z.Aroon(["h", "l"], 25, o(2)),
        "DonchianChannel 20": lambda o: z.DonchianChannel(["h", "l"], 20, o(3)),
        "RollingSum 1": lambda o: z.RollingSum(["c"], 1, o(1)),
        "RollingSum 300": lambda o: z.RollingSum(["x"], 300, o(1)),
        "RollingSum 40 running": lambda o: z.RollingSum(["x"], 40, o(1), running=True),
        "RollingVariance 2 ddof 0": lambda o: z.RollingVariance(["c"], 2, o(1), ddof=0),
        "RollingVariance 300 running": lambda o: z.RollingVariance(["x"], 300, o(1), running=True),
        "RollingStd 20": lambda o: z.RollingStd(["c"], 20, o(1)),
        "RollingStd 250": lambda o: z.RollingStd(["x"], 250, o(1)),
        "RollingStd 20 running": lambda o: z.RollingStd(["x"], 20, o(1), running=True),
        "RollingCovariance 30": lambda o: z.RollingCovariance(["c", "x"], 30, o(1)),
        "RollingCovariance 5 running ddof 0": lambda o: z.RollingCovariance(
            ["x", "c"], 5, o(1), ddof=0, running=True
        ),
        "RollingBeta 2": lambda o: z.RollingBeta(["c", "x"], 2, o(1)),
        "RollingBeta 250": lambda o: z.RollingBeta(["x", "c"], 250, o(1)),
        "RollingBeta 100 running": lambda o: z.RollingBeta(["x", "c"], 100, o(1), running=True),
        "Rsi 2": lambda o: z.Rsi(["x"], 2, o(1)),
        "Rsi 14": lambda o: z.Rsi(["c"], 14, o(1)),
        "Macd 12 26 9": lambda o: z.Macd(["c"], o(3)),
        "Macd 3 3 1": lambda o: z.Macd(["x"], o(3), fast=3, slow=3, signal=1),
        "Roc 1": lambda o: z.Roc(["x"], 1, o(1)),
        "Roc 10": lambda o: z.Roc(["c"], 10, o(1)),
        "Momentum 1": lambda o: z.Momentum(["x"], 1, o(1)),
        "Momentum 10": lambda o: z.Momentum(["c"], 10, o(1)),
        "StochasticRsi 14 5 3": lambda o: z.StochasticRsi(["c"], o(2)),
        "StochasticRsi 2 1 1": lambda o: z.StochasticRsi(["x"], o(2), window=2, fastk=1, fastd=1),
        "Wma 1": lambda o: z.Wma(["x"], 1, o(1)),
        "Wma 30": lambda o: z.Wma(["c"], 30, o(1)),
        "Wma 300": lambda o: z.Wma(["x"], 300, o(1)),
        "Dema 1": lambda o: z.Dema(["x"], 1, o(1)),
        "Dema 30": lambda o: z.Dema(["c"], 30, o(1)),
        "Tema 2": lambda o: z.Tema(["x"], 2, o(1)),
        "Tema 30": lambda o: z.Tema(["c"], 30, o(1)),
        "Trix 1": lambda o: z.Trix(["x"], 1, o(1)),
        "Trix 30": lambda o: z.Trix(["c"], 30, o(1)),
        "Trima 1": lambda o: z.Trima(["x"], 1, o(1)),
        "Trima 4": lambda o: z.Trima(["x"], 4, o(1)),
        "Trima 31": lambda o: z.Trima(["c"], 31, o(1)),
        "BollingerBands 2": lambda o: z.BollingerBands(["x"], 2, o(3)),
        "BollingerBands 20 1.5 2.5": lambda o: z.BollingerBands(
            ["c"], 20, o(3), nbdevup=1.5, nbdevdn=2.5
        ),
        "TrueRange": lambda o: z.TrueRange(["h", "l", "c"], o(1)),
        "Atr 1": lambda o: z.Atr(["h", "l", "c"], 1, o(1)),
        "Atr 14": lambda o: z.Atr(["h", "l", "c"], 14, o(1)),
        "Natr 14": lambda o: z.Natr(["h", "l", "c"], 14, o(1)),
        "Adx 2": lambda o: z.Adx(["h", "l", "c"], 2, o(3)),
        "Adx 14": lambda o: z.Adx(["h", "l", "c"], 14, o(3)),
        "Cci 14": lambda o: z.Cci(["h", "l", "c"], 14, o(1)),
        "Cci 200 on x": lambda o: z.Cci(["x", "l", "c"], 200, o(1)),
        "UltimateOscillator": lambda o: z.UltimateOscillator(["h", "l", "c"], o(1)),
        "UltimateOscillator 1 30 4": lambda o: z.UltimateOscillator(
            ["h", "l", "c"], o(1), 1, 30, 4
        ),
        "KeltnerChannel": lambda o: z.KeltnerChannel(["h", "l", "c"], o(3)),
        "KeltnerChannel 1 1 0": lambda o: z.KeltnerChannel(
            ["h", "l", "c"], o(3), window=1, atr_window=1, multiplier=0.0
        ),
    }


def build():
    """label -> object, each with output names of its own."""
    return {
        label: make(lambda k, label=label: [f"{label}/{j}" for j in range(k)])
        for label, make in _configs().items()
    }


def _digest(values):
    # The bits of every value, NaN written as one NaN: which NaN an operation
    # on NaNs returns is the hardware's choice, not a result.
    values = np.ascontiguousarray(values, dtype=np.float64)
    return hashlib.sha256(np.where(np.isnan(values), np.nan, values).tobytes()).hexdigest()


def digests(level):
    """{label: {"research": hash[, "live": hash]}} on instruction set `level`."""
    import zerak
    import zerak._dispatch as dispatch

    dispatch.use(level)
    assert dispatch.active() == level
    data = nasty_bars(RESEARCH_BARS)
    objects = build()
    out, heads = {}, {}
    for label, obj in objects.items():
        picks = [COLUMNS.index(name) for name in obj.input_names()]
        if hasattr(obj, "update"):
            pipe = zerak.FeaturePipeline([obj], obj.input_names())
            got = pipe.run_research_array(np.ascontiguousarray(data[:, picks]))
        else:
            pipe = zerak.TargetPipeline([obj], obj.input_names())
            got = pipe.run_research_array(np.ascontiguousarray(data[:, picks].T)).T
        out[label] = {"research": _digest(got)}
        if hasattr(obj, "update"):
            heads[label] = got[:LIVE_BARS]
    # Live: every transform in one pipeline, one update per bar.
    transforms = [obj for obj in objects.values() if hasattr(obj, "update")]
    pipe = zerak.FeaturePipeline(transforms, COLUMNS)
    live = np.array([pipe.update(bar) for bar in data[:LIVE_BARS].tolist()])
    names = pipe.output_names()
    for label, obj in objects.items():
        if hasattr(obj, "update"):
            cols = [names.index(n) for n in obj.output_names()]
            out[label]["live"] = _digest(live[:, cols])
            same = (live[:, cols] == heads[label]) | (
                np.isnan(live[:, cols]) & np.isnan(heads[label])
            )
            assert same.all(), f"{label}: live differs from research at {np.argwhere(~same)[:3]}"
    return out


def on_every_level(module, function, *args):
    """{level: module.function(level, *args)} for each instruction set this
    CPU has, one process per level (a process chooses its level once);
    `module` is one of the test helpers here, the result anything JSON carries."""
    import zerak._dispatch as dispatch

    def run(level):
        code = (
            f"import json, sys; sys.path.insert(0, {str(HERE)!r}); import {module}; "
            f"print(json.dumps({module}.{function}(*json.loads(sys.argv[1]))))"
        )
        done = subprocess.run(
            [sys.executable, "-c", code, json.dumps([level, *args])], capture_output=True, text=True
        )
        assert done.returncode == 0, f"{function} on {level}:\n{done.stderr[-3000:]}"
        return json.loads(done.stdout.splitlines()[-1])

    levels = dispatch.available()
    with ThreadPoolExecutor(2) as pool:  # this machine has two cores
        return dict(zip(levels, pool.map(run, levels), strict=True))


def load():
    return json.loads(GOLDEN.read_text())


def write(table):
    GOLDEN.write_text(json.dumps(table, indent=1, sort_keys=True) + "\n")
