"""Live operator calls from Python against the floor (a trivial C method that
takes a one-element list and returns a new one)."""

import math

from harness import best_ns, floor, print_table

import zerak

N = 200_000


def main() -> None:
    f = floor()
    add = zerak.Add(["a", "b"], ["s"])
    log = zerak.Log(["x"], ["y"])
    ab = [1.5, 2.25]
    x = [1.5]
    rows = [
        ("floor: C method, list in, new list out", best_ns("f.update(x)", N, f=f, x=x)),
        ("Add.update([a, b])", best_ns("add.update(ab)", N, add=add, ab=ab)),
        ("Log.update([x])", best_ns("log.update(x)", N, log=log, x=x)),
        ("[math.log(x[0])] in plain Python", best_ns("[log(x[0])]", N, log=math.log, x=x)),
    ]
    print_table("Live call cost (lower is better; ratio to the floor)", rows)


if __name__ == "__main__":
    main()
