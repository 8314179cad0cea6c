"""Runs every benchmark in bench/ (files named bench_*.py) and prints their tables.

python bench/run.py            # all
python bench/run.py operators  # only bench_operators.py
"""

import runpy
import sys
from pathlib import Path

here = Path(__file__).resolve().parent
sys.path.insert(0, str(here))
wanted = sys.argv[1:]
for path in sorted(here.glob("bench_*.py")):
    if wanted and path.stem.removeprefix("bench_") not in wanted:
        continue
    print(f"==== {path.stem} ====")
    runpy.run_path(str(path), run_name="__main__")
