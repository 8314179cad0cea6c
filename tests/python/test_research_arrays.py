"""Array results, update_many and buffer input: the block engine against the
bar-by-bar path, bit for bit; threads and Ctrl-C."""

import gc
import signal
import subprocess
import sys
import textwrap
import threading

import numpy as np
import pytest

import zerak
from zerak import FeaturePipeline as FP, TargetPipeline as TP

nan = float("nan")
COLUMNS = ["a", "b", "c", "d"]


def every_transform():
    """All 25 transform classes in one pipeline, some chained, one reading
    its own output name."""
    z = zerak
    return [
        z.Sma(["a"], 5, ["sma"]),
        z.Ema(["a"], 5, ["ema"]),
        z.Kama(["a"], 6, ["kama"]),
        z.Mma(["a"], 5, ["mma"]),
        z.SimpleReturn(["a"], 2, ["sr"]),
        z.LogReturn(["a"], 2, ["lr"]),
        z.Skewness(["lr"], 8, ["sk"]),
        z.Kurtosis(["lr"], 8, ["ku"]),
        z.LinearSlope(["b", "a"], 6, ["ls", "ls_r2"]),
        z.ParkinsonVolatility(["a", "b"], 5, ["pk"]),
        z.RogersSatchellVolatility(["a", "b", "c", "d"], 5, ["rs"]),
        z.ShannonEntropy(["a"], 10, ["ent"]),
        z.Correlation(["a", "b"], 7, ["cor"]),
        z.AutoCorrelation(["lr"], 8, ["ac"], lag=2, method="spearman"),
        z.Adf(["a"], 30, ["adf", "adf_p"]),
        z.Add(["a", "b"], ["add"]),
        z.Subtract(["sma", "b"], ["sub"]),
        z.Multiply(["a", "sub"], ["mul"]),
        z.Divide(["a", "c"], ["div"]),
        z.Reciprocal(["c"], ["rec"]),
        z.NegLog(["b"], ["nl"]),
        z.Log(["d"], ["d"]),
        z.Logit(["rec"], ["lg"]),
        z.RollingZScore(["mul"], 6, ["rz"]),
        z.FixedZScore(["a"], ["fz"], 1.0, 2.0),
    ]


def gappy_bars(n, seed=0):
    """Positive walks with gaps, NaN runs, zeros, infinities and flat stretches."""
    rng = np.random.default_rng(seed)
    x = 50.0 + np.cumsum(rng.normal(0.0, 1.0, (n, 4)), axis=0)
    x[rng.integers(0, n, n // 30), rng.integers(0, 4, n // 30)] = nan
    x[n // 3 : n // 3 + 40, 1] = nan
    x[rng.integers(0, n, 5), 2] = np.inf
    x[rng.integers(0, n, 5), 3] = -np.inf
    x[rng.integers(0, n, 5), 0] = 0.0
    x[n // 2 : n // 2 + 30, 0] = x[n // 2, 0]
    return x


def bits(a):
    return np.ascontiguousarray(np.asarray(a, dtype=np.float64)).view(np.uint64)


def assert_same_bits(got, want):
    assert np.shape(got) == np.shape(want)
    assert np.array_equal(bits(got), bits(want))


def test_every_research_path_equals_update_bar_by_bar():
    data = gappy_bars(3000)
    rows = data.tolist()
    live = FP(every_transform(), COLUMNS)
    expected = np.array([live.update(bar) for bar in rows])

    p = FP(every_transform(), COLUMNS)
    p.update(rows[7])  # research resets first
    assert_same_bits(p.run_research_array(data), expected)
    assert_same_bits(p.run_research_array(rows), expected)
    assert_same_bits(p.run_research(data), expected)
    assert_same_bits(p.run_research(rows), expected)

    # update_many continues from the current state, chunk after chunk, between live bars
    p.reset()
    parts, start = [], 0
    for size in (1, 0, 17, 300, 5000):
        chunk = data[start : start + size]
        parts.append(p.update_many(chunk if size % 2 else chunk.tolist()))
        start += len(chunk)
        if start < len(rows):
            parts.append(np.array([p.update(rows[start])]))
            start += 1
    assert_same_bits(np.vstack(parts), expected)
    # and leaves the pipeline where the live calls left theirs
    assert_same_bits(p.update(rows[0]), live.update(rows[0]))


@pytest.mark.parametrize("threads", [1, 2])
def test_columns_read_in_place_equal_update_bar_by_bar(threads):
    # Contiguous columns are read where they lie in a block without a NaN and
    # copied in the others: here "a" has NaNs in one stretch only, "b" in many.
    data = gappy_bars(12_000)
    a = data[:, 0]
    a[np.isnan(a)] = 1.0
    a[6000:6100:7] = nan
    live = FP(every_transform(), COLUMNS)
    expected = np.array([live.update(bar) for bar in data.tolist()])
    p = FP(every_transform(), COLUMNS)
    columns = np.asfortranarray(data)
    assert_same_bits(p.run_research_array(columns, threads=threads), expected)
    assert_same_bits(p.run_research(columns, threads=threads), expected)


def three_targets():
    return [
        zerak.FutureReturn(["a"], 3, ["r"]),
        zerak.FutureCTCVolatility(["a"], 5, ["v"]),
        zerak.FutureLinearSlope(["b", "a"], 7, ["s", "r2"]),
    ]


def test_target_array_equals_the_lists():
    columns = gappy_bars(150_000).T  # several chunks
    p = TP(three_targets(), ["a", "b"])
    expected = p.run_research(columns[:2].tolist())
    got = p.run_research_array(columns[:2])
    assert got.shape == (4, 150_000) and got.flags.c_contiguous
    assert_same_bits(got, expected)
    assert_same_bits(p.run_research(columns[:2]), expected)
    assert_same_bits(p.run_research_array([list(columns[0]), columns[1]]), expected)


def layouts():
    """Ways to hand over the same 2-D float64 data: (name, make(array) -> object)."""

    def unaligned(a):
        raw = np.zeros(a.nbytes + 1, np.uint8)
        out = raw[1:].view(a.dtype).reshape(a.shape)
        out[...] = a
        return out

    return [
        ("C", lambda a: a),
        ("F", np.asfortranarray),
        ("strided", lambda a: np.repeat(a, 3, axis=1)[::1, ::3]),
        ("every other row", lambda a: np.repeat(a, 2, axis=0)[::2]),
        ("negative strides", lambda a: np.ascontiguousarray(a[::-1, ::-1])[::-1, ::-1]),
        ("unaligned", unaligned),
        ("byte-swapped", lambda a: a.astype(a.dtype.newbyteorder())),
        ("memoryview", lambda a: memoryview(np.ascontiguousarray(a))),
    ]


DTYPES = [
    np.float64,
    np.float32,
    np.float16,
    np.int8,
    np.int16,
    np.int32,
    np.int64,
    np.uint8,
    np.uint16,
    np.uint32,
    np.uint64,
    np.bool_,
]


@pytest.mark.parametrize("dtype", DTYPES, ids=lambda d: np.dtype(d).name)
def test_every_dtype_and_layout_equals_its_float64_copy(dtype):
    rng = np.random.default_rng(1)
    if np.dtype(dtype).kind == "f":
        values = rng.normal(0.0, 50.0, (200, 2)).astype(dtype)
        values[::17, 0] = np.nan
    elif dtype is np.bool_:
        values = rng.integers(0, 2, (200, 2)).astype(dtype)
    else:
        info = np.iinfo(dtype)
        values = rng.integers(info.min, info.max, (200, 2), dtype=dtype, endpoint=True)
    features = lambda: [zerak.Add(["x", "y"], ["s"]), zerak.Sma(["y"], 4, ["m"])]  # noqa: E731
    targets = lambda: [zerak.FutureReturn(["x"], 2, ["r"])]  # noqa: E731
    copy = values.astype(np.float64)
    want = FP(features(), ["x", "y"]).run_research_array(copy)
    want_t = TP(targets(), ["x", "y"]).run_research_array(copy.T)
    assert np.array_equal(
        copy, [[float(v) for v in row] for row in values.tolist()], equal_nan=True
    )
    for name, make in layouts():
        p = FP(features(), ["x", "y"])
        assert_same_bits(p.run_research_array(make(values)), want), name
        assert_same_bits(p.run_research(make(values)), want), name
        assert_same_bits(
            TP(targets(), ["x", "y"]).run_research_array(make(values.T.copy())), want_t
        )


def test_array_results_are_zerak_memory_without_numpy_a_memoryview():
    p = FP([zerak.Log(["x"], ["y"]), zerak.Add(["x", "y"], ["z"])], ["x"])
    out = p.run_research_array(np.ones((5, 1)))
    assert out.dtype == np.float64 and out.shape == (5, 2) and out.flags.c_contiguous
    assert out.flags.writeable and not out.flags.owndata
    assert type(out.base.obj).__name__ == "ResultMemory"  # no copy was made
    assert p.run_research_array(np.empty((0, 1))).shape == (0, 2)
    script = textwrap.dedent("""
        import sys
        sys.modules["numpy"] = None  # numpy cannot be imported
        import zerak
        p = zerak.FeaturePipeline([zerak.Log(["x"], ["y"]), zerak.Add(["x", "y"], ["z"])], ["x"])
        for out in (p.run_research_array([[1.0], [2.0]]), p.update_many([[1.0]]),
                    zerak.TargetPipeline([zerak.FutureReturn(["x"], 1, ["r"])], ["x"])
                    .run_research_array([[1.0, 2.0]])):
            print(type(out).__name__, out.format, out.shape, out.tolist())
    """)
    lines = subprocess.run(
        [sys.executable, "-c", script], check=True, capture_output=True, text=True
    ).stdout.splitlines()
    assert lines[0] == "memoryview d (2, 2) [[0.0, 1.0], [0.6931471805599453, 2.6931471805599454]]"
    assert lines[1] == "memoryview d (1, 2) [[0.0, 1.0]]"
    assert lines[2] == "memoryview d (1, 2) [[1.0, nan]]"


@pytest.mark.parametrize("method", ["run_research_array", "update_many"])
@pytest.mark.parametrize(
    "data, error, message",
    [
        (np.ones((4, 3)), zerak.InvalidInputError, 'expected 2 input value(s) ["a", "b"], got 3'),
        (
            [[1.0, 2.0], [1.0]],
            zerak.InvalidInputError,
            'expected 2 input value(s) ["a", "b"], got 1',
        ),
        (
            np.ones((2, 2, 1)),
            TypeError,
            "argument 'data': expected a 2-dimensional buffer of bars, got 3 dimension(s)",
        ),
        (
            np.ones(4),
            TypeError,
            (
                "argument 'data': expected a 2-dimensional array of bars (one row per bar), got a "
                "1-dimensional one: use data.reshape(-1, 1) for a single input column, "
                "data.reshape(1, -1) for a single bar"
            ),
        ),
        (
            np.ones((2, 2), dtype=complex),
            TypeError,
            "argument 'data': unsupported buffer format 'Zd'",
        ),
        (np.array([["1", "2"]]), TypeError, "argument 'data': must be real number, not numpy.str_"),
        (
            memoryview(np.ones((2, 2), dtype=np.longdouble)),
            TypeError,
            "argument 'data': unsupported buffer format 'g'",
        ),
        (
            [[1.0, 2.0], [1.0, None]],
            TypeError,
            "argument 'data': must be real number, not NoneType",
        ),
        ("ab", TypeError, "argument 'data': Can't extract `str` to `Vec`"),
        (np.broadcast_to(np.ones(1), (2**40, 2)), MemoryError, None),
    ],
)
def test_bad_input_changes_nothing(method, data, error, message):
    p = FP([zerak.Sma(["a"], 2, ["s"]), zerak.Add(["a", "b"], ["t"])], ["a", "b"])
    p.update([1.0, 1.0])
    with pytest.raises(error) as info:
        getattr(p, method)(data)
    if message is not None:
        assert str(info.value) == message
    assert p.update([3.0, 1.0]) == [2.0, 4.0]  # the state before the call


def test_target_bad_input():
    p = TP(three_targets(), ["a", "b"])
    with pytest.raises(
        zerak.InvalidInputError, match=r'^expected 2 input column\(s\) \["a", "b"\], got 3$'
    ):
        p.run_research_array(np.ones((3, 5)))
    with pytest.raises(
        zerak.InvalidInputError, match=r"^expected input columns of equal length, got 3 and 2 bar"
    ):
        p.run_research_array([[1.0, 2.0, 3.0], [1.0, 2.0]])
    with pytest.raises(
        TypeError, match=r"^argument 'data': expected a 2-dimensional buffer of columns"
    ):
        p.run_research_array(np.ones((2, 2, 2)))
    with pytest.raises(
        TypeError, match=r"^argument 'data': expected a 1-dimensional buffer for a column"
    ):
        p.run_research([np.ones((2, 2)), [1.0, 2.0]])
    with pytest.raises(MemoryError):
        p.run_research_array(np.broadcast_to(np.ones(1, np.int8), (2, 2**61)))
    with pytest.raises(TypeError, match=r"run_research_array\(\) missing 1 required positional"):
        p.run_research_array()


def test_surface():
    for method, sig in (
        (FP.run_research_array, "($self, data, *, progress=None, threads=1)"),
        (FP.update_many, "($self, data, *, progress=None, threads=1)"),
        (TP.run_research_array, "($self, data, *, progress=None)"),
    ):
        assert method.__text_signature__ == sig
        assert "float64" in method.__doc__
    p = FP([zerak.Log(["x"], ["y"])], ["x"])
    assert p.run_research_array(data=[[1.0]]).shape == (1, 1)
    with pytest.raises(
        TypeError,
        match=r"^FeaturePipeline.update_many\(\) got an unexpected keyword argument 'datum'$",
    ):
        p.update_many(datum=[])


def test_no_references_leak():
    p = FP([zerak.Log(["x"], ["y"])], ["x"])
    t = TP([zerak.FutureReturn(["x"], 1, ["r"])], ["x"])
    matrix, rows, bad = np.ones((300, 1)), [[1.0]] * 300, [[1.0], ["a"]]
    watched = (matrix, rows, bad)
    before = [sys.getrefcount(o) for o in watched]
    for _ in range(30):
        for call in (p.run_research_array, p.update_many, p.run_research):
            call(matrix)
            call(rows)
            with pytest.raises(TypeError):
                call(bad)
        t.run_research_array(matrix.T)
        t.run_research(matrix.T)
    gc.collect()
    assert [sys.getrefcount(o) for o in watched] == before


def slow_pipeline():
    return FP([zerak.Adf(["x"], 200, ["s", "p"])], ["x"])


def test_threads_run_side_by_side_and_share_no_pipeline():
    data = np.cumsum(np.random.default_rng(2).normal(size=(40_000, 1)), axis=0)
    expected = slow_pipeline().run_research_array(data[:5000])
    busy = slow_pipeline()
    results, seen = {}, set()

    def work(name, pipe, rows):
        try:
            results[name] = pipe.run_research_array(rows)
        except Exception as e:  # reported by the assertions below
            results[name] = e

    worker = threading.Thread(target=work, args=("busy", busy, data))
    worker.start()
    # the worker computes without the interpreter lock: this thread runs meanwhile,
    # its own pipeline included, and finds the worker's pipeline borrowed (these
    # calls keep the lock throughout, so the worker never finds busy borrowed)
    results["here"] = slow_pipeline().run_research_array(data[:5000])
    while worker.is_alive():
        for call in (lambda: busy.update([1.0]), busy.reset, lambda: len(busy)):
            try:
                call()
            except RuntimeError as e:
                seen.add(str(e))
    worker.join()
    assert seen == {"Already borrowed", "Already mutably borrowed"}
    assert_same_bits(results["here"], expected)
    assert_same_bits(results["busy"][:5000], expected)


INTERRUPTED = textwrap.dedent("""
    import sys, numpy as np, zerak
    method = sys.argv[1]
    make = lambda: zerak.FeaturePipeline(
        [zerak.Adf(["x"], 300, ["s", "p"]), zerak.Sma(["x"], 3, ["m"])], ["x"])
    data = np.cumsum(np.random.default_rng(3).normal(size=(400_000, 1)), axis=0)
    if method == "target":
        p = zerak.TargetPipeline(
            [zerak.FutureLinearSlope(["x", "y"], 50_000, ["s", "r"])], ["x", "y"])
        call = lambda: p.run_research_array(np.vstack([data.T, data.T]))
    else:
        p = make()
        p.update_many(data[:50])
        threads = int(sys.argv[2])
        call = lambda: getattr(p, method)(data if method != "run_research" else data.tolist(),
                                          threads=threads)
    try:
        print("go", flush=True)
        call()
        print("finished")
    except KeyboardInterrupt:
        if method == "target":
            print("interrupted")
        else:
            twin = make()
            if method == "update_many":
                twin.update_many(data[:50])
            probe = data[60:400]
            print("interrupted", np.array_equal(p.update_many(probe), twin.update_many(probe),
                                                equal_nan=True))
""")


@pytest.mark.parametrize(
    "method, threads",
    [
        ("run_research_array", 1),
        ("update_many", 1),
        ("run_research", 1),
        ("target", 1),
        ("run_research_array", 2),
        ("update_many", 2),
    ],
)
def test_ctrl_c_interrupts_a_long_run(method, threads):
    child = subprocess.Popen(
        [sys.executable, "-c", INTERRUPTED, method, str(threads)], stdout=subprocess.PIPE, text=True
    )
    try:
        assert child.stdout.readline() == "go\n"
        threading.Event().wait(0.5)
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=60)  # an uninterrupted run takes minutes
    finally:
        child.kill()
    assert out.split() == ["interrupted"] if method == "target" else ["interrupted", "True"]


def test_failing_allocations_raise_memory_error_and_keep_the_state():
    from failing_allocations import outcomes

    setup = textwrap.dedent("""
        import numpy as np, zerak
        make = lambda: zerak.FeaturePipeline(
            [zerak.Ema(["x"], 3, ["e"]), zerak.Log(["x"], ["l"])], ["x"])
        p, t = make(), zerak.TargetPipeline([zerak.FutureReturn(["x"], 2, ["r"])], ["x"])
        data = np.arange(1.0, 700.0).reshape(-1, 1)
        np.asarray(np.ones(1))
    """)
    # update_many: all or nothing, whichever allocation fails
    got = outcomes(
        "p.update_many(data if len(outcomes) % 2 else data.tolist())",
        setup=setup,
        points=150,
        after="""
        twin = make()
        for outcome in outcomes:
            if outcome is None:
                twin.update_many(data)
        assert np.array_equal(p.update_many(data[:9]), twin.update_many(data[:9]), equal_nan=True)
    """,
    )
    got += outcomes(
        "p.run_research_array(data)\nt.run_research_array(data.T)", setup=setup, points=150
    )
    assert {o[0] if o else None for o in got} == {None, "MemoryError"}
