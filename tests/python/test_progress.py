import sys
import time

import numpy as np
import pytest
from conftest import same_floats

import zerak

BARS = 200_000
rng = np.random.default_rng(5)
CLOSE = 100 * np.exp(np.cumsum(rng.normal(0, 0.01, BARS)))
BY_BAR = np.column_stack([CLOSE, CLOSE * 1.01])


def features():
    return zerak.FeaturePipeline(
        [zerak.Ema(["close"], 2, ["ema"]), zerak.Divide(["high", "close"], ["ratio"])],
        ["close", "high"],
    )


def targets():
    return zerak.TargetPipeline(
        [
            zerak.FutureReturn(["close"], 3, ["fwd"]),
            zerak.FutureCTCVolatility(["close"], 5, ["vol"]),
        ],
        ["close"],
    )


# Each research entry point: a call taking progress=, and the total it reports
# (a target pipeline counts each bar once per target).
RUNS = {
    "run_research": (lambda p: features().run_research(BY_BAR, progress=p), BARS),
    "run_research_array": (lambda p: features().run_research_array(BY_BAR, progress=p), BARS),
    "update_many": (lambda p: features().update_many(BY_BAR, progress=p), BARS),
    "research_frame": (
        lambda p: zerak.research_frame(
            features(), {"close": CLOSE, "high": CLOSE * 1.01}, progress=p
        )["ratio"],
        BARS,
    ),
    "targets run_research": (lambda p: targets().run_research([CLOSE], progress=p), 2 * BARS),
    "targets run_research_array": (
        lambda p: targets().run_research_array([CLOSE], progress=p),
        2 * BARS,
    ),
    "label_frame": (
        lambda p: zerak.label_frame(targets(), {"close": CLOSE}, progress=p)["vol"],
        2 * BARS,
    ),
}


@pytest.mark.parametrize("name", RUNS)
def test_progress_counts_up_to_the_total_and_leaves_results_alone(name):
    run, total = RUNS[name]
    calls = []
    got = run(lambda done, of: calls.append((done, of)))
    assert len(calls) > 1 and {of for _, of in calls} == {total}
    done = [d for d, _ in calls]
    assert done == sorted(set(done)) and done[-1] == total and done[0] > 0
    same_floats(np.ravel(got).tolist(), np.ravel(run(None)).tolist())


class Stop(Exception):
    pass


@pytest.mark.parametrize("name", RUNS)
def test_an_exception_in_the_callback_stops_the_run(name):
    run, _ = RUNS[name]
    calls = []

    def stop(done, total):
        calls.append(done)
        raise Stop

    with pytest.raises(Stop):
        run(stop)
    assert len(calls) == 1


def test_a_stopped_catch_up_leaves_the_pipeline_as_it_was():
    pipe, twin = features(), features()
    pipe.update([100.0, 101.0])
    twin.update([100.0, 101.0])

    def stop(done, total):
        raise Stop

    with pytest.raises(Stop):
        pipe.update_many(BY_BAR, progress=stop)
    assert pipe.update([102.0, 103.0]) == twin.update([102.0, 103.0])  # Ema warmed up: no NaN


@pytest.mark.parametrize("name", ["run_research_array", "targets run_research", "label_frame"])
def test_true_shows_a_tqdm_bar_or_says_to_install_it(name, capsys, monkeypatch):
    pytest.importorskip("tqdm")
    run, total = RUNS[name]
    run(True)
    assert f"{total}/{total}" in capsys.readouterr().err
    monkeypatch.setitem(sys.modules, "tqdm", None)
    monkeypatch.setitem(sys.modules, "tqdm.auto", None)
    with pytest.raises(ImportError, match=r"progress=True shows a tqdm bar.*pip install tqdm"):
        run(True)


@pytest.mark.parametrize(
    "call, message",
    [
        (
            lambda: features().run_research(BY_BAR, progress=3),
            (
                "argument 'progress': expected a callable taking (bars done, total), "
                "True or None, not 'int'"
            ),
        ),
        (lambda: targets().run_research_array([CLOSE], progress="yes"), "not 'str'"),
        (
            lambda: features().run_research_array(BY_BAR, print),
            "FeaturePipeline.run_research_array() takes 1 positional arguments but 2 were given",
        ),
    ],
)
def test_progress_is_a_keyword_taking_a_callable(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert message in str(info.value)


@pytest.mark.parametrize(
    "name", ["run_research", "run_research_array", "update_many", "research_frame"]
)
def test_a_slow_callback_does_not_shrink_the_blocks(name):
    # Blocks grow to a few thousand bars: a hundred calls cover 200,000 bars
    # whatever the callback costs. Stopped past that, so a regression fails fast.
    run, _ = RUNS[name]
    calls = []

    def slow(done, total):
        calls.append(done)
        time.sleep(0.005)
        if len(calls) > 100:
            raise Stop

    run(slow)
    assert calls[-1] == BARS
