"""zerak quickstart: a few operators run live, one bar at a time.

Run with `make demo`.
"""

import math

import zerak

bars = [
    # close, open
    (101.2, 100.0),
    (102.5, 101.2),
    (float("nan"), 102.5),  # a missing close
    (101.9, 102.4),
    (103.4, 101.9),
    (0.0, 103.4),  # out of the logarithm's domain
]

change = zerak.Subtract(["close", "open"], ["change"])
ratio = zerak.Divide(["close", "open"], ["ratio"])
log_close = zerak.Log(["close"], ["log_close"])

print(change)
print(ratio)
print(log_close)
print()
header = f"{'bar':>3}  {'close':>7}  {'open':>7}  {'change':>8}  {'ratio':>8}  {'log_close':>9}"
print(header)
print("-" * len(header))
for i, (close, open_) in enumerate(bars):
    (d,) = change.update([close, open_])
    (r,) = ratio.update([close, open_])
    (lc,) = log_close.update([close])
    print(f"{i:>3}  {close:>7.2f}  {open_:>7.2f}  {d:>8.3f}  {r:>8.4f}  {lc:>9.4f}")

print("\nMissing or out-of-domain inputs give NaN; nothing raises on a value:",
      math.isnan(log_close.update([-1.0])[0]))
