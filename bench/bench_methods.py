"""Calls of the methods without parameters (reset, warm_up_period, ...) against
the floor of a C method without parameters, in the two calling conventions:
METH_NOARGS, and METH_FASTCALL | METH_KEYWORDS checking for no arguments itself
(zerak's choice, for the host's own binding messages)."""

from harness import best_ns, floor, print_table

import zerak

N = 300_000


def main() -> None:
    f = floor()
    sma = zerak.Sma(["x"], 20, ["s"])
    log = zerak.Log(["x"], ["y"])
    pipeline = zerak.FeaturePipeline([zerak.Sma(["x"], 20, ["s"])], ["x"])
    target = zerak.FutureReturn(["c"], 3, ["r"])
    rows = [
        ("floor: METH_NOARGS, returns None", best_ns("f.noargs()", N, f=f)),
        (
            "floor: METH_FASTCALL|METH_KEYWORDS, returns None",
            best_ns("f.fastcall_noargs()", N, f=f),
        ),
        ("Sma.reset()", best_ns("o.reset()", N, o=sma)),
        ("Log.reset()", best_ns("o.reset()", N, o=log)),
        ("Sma.warm_up_period()", best_ns("o.warm_up_period()", N, o=sma)),
        ("FeaturePipeline.reset()", best_ns("o.reset()", N, o=pipeline)),
        ("FeaturePipeline.warm_up_period()", best_ns("o.warm_up_period()", N, o=pipeline)),
        ("FutureReturn.forward_period()", best_ns("o.forward_period()", N, o=target)),
    ]
    print_table("Methods without parameters (lower is better; ratio to METH_NOARGS floor)", rows)


if __name__ == "__main__":
    main()
