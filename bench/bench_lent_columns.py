"""Research over columns read where they lie (a contiguous float64 column
without NaN): one transform per pipeline over 1,000,000 bars, this build
against a baseline build measured in the same run. Cheap kernels show what
reading in place saves; the others read a copy made once per block.

    ZERAK_BASELINE_SITE=DIR python bench/bench_lent_columns.py

DIR holds another build of zerak (for example main's: pip install --target
DIR .). Without it, only this build's figures are printed. Figures are the
best CPU time of the calling thread; ratios above 1 mean this build is faster.
"""

import json
import os
import subprocess
import sys
import textwrap

HERE = os.path.dirname(os.path.abspath(__file__))
BARS = 1_000_000
# name -> constructor call over columns "a", "b", "c"
CASES = {
    "Multiply": "zerak.Multiply(['a', 'b'], ['y'])",
    "Log": "zerak.Log(['a'], ['y'])",
    "Lag": "zerak.Lag(['a'], 5, ['y'])",
    "LogReturn": "zerak.LogReturn(['a'], 1, ['y'])",
    "Ema": "zerak.Ema(['a'], 20, ['y'])",
    "Sma": "zerak.Sma(['a'], 20, ['y'])",
    "FixedZScore": "zerak.FixedZScore(['a'], ['y'], 100.0, 2.0)",
    "RollingStd": "zerak.RollingStd(['a'], 20, ['y'])",
    "RollingMax": "zerak.RollingMax(['a'], 20, ['y'])",
    "Mma": "zerak.Mma(['a'], 21, ['y'])",
    "Atr": "zerak.Atr(['a', 'b', 'c'], 14, ['y'])",
}

MEASURE = textwrap.dedent("""
    import json, sys
    sys.path[:0] = {paths!r}
    import numpy as np, zerak
    from harness import best_cpu_s
    rng = np.random.default_rng(3)
    a = 100.0 * np.exp(np.cumsum(rng.normal(0.0, 0.01, {bars})))
    data = np.asfortranarray(np.column_stack([a * 1.01, a * 0.99, a]))
    out = {{}}
    for name, make in {cases!r}.items():
        t = eval(make)
        pipe = zerak.FeaturePipeline([t], t.input_names())
        cols = np.asfortranarray(data[:, :len(t.input_names())])
        out[name] = best_cpu_s(lambda: pipe.run_research_array(cols), repeat=15)
    print(json.dumps(out))
""")


def measure(site: str | None) -> dict[str, float]:
    paths = ([site] if site else []) + [HERE]
    script = MEASURE.format(paths=paths, bars=BARS, cases=CASES)
    out = subprocess.run([sys.executable, "-c", script], check=True, capture_output=True, text=True)
    return json.loads(out.stdout)


def main() -> None:
    site = os.environ.get("ZERAK_BASELINE_SITE")
    # Interleaved, three times each, keeping the best: the machine's load drifts.
    runs = [(None, site)] * 3 if site else [(None, None)]
    now, base = {}, {}
    for mine, theirs in runs:
        for name, s in measure(mine).items():
            now[name] = min(now.get(name, s), s)
        if theirs:
            for name, s in measure(theirs).items():
                base[name] = min(base.get(name, s), s)
    print(f"\nOne transform over {BARS:,} lent bars, run_research_array (CPU s)")
    print(f"  {'':12}  {'this build':>10}  {'baseline':>10}  {'baseline / this':>15}")
    for name in CASES:
        b = base.get(name)
        print(
            f"  {name:12}  {now[name]:10.4f}  "
            + (f"{b:10.4f}  {b / now[name]:14.2f}x" if b else f"{'':10}  {'':15}")
        )


if __name__ == "__main__":
    main()
