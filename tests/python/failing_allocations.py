"""Runs code in a fresh interpreter with its i-th Python allocation failing,
for every i, and reports what each run gave. A subprocess keeps the test
runner itself away from the failures."""

import json
import subprocess
import sys
import textwrap

DRIVER = """
import json, sys, _testcapi
{setup}
def attempt():
{call}
outcomes = []
for i in range({points}):
    error = None
    _testcapi.set_nomemory(i, i + 1)
    try:
        attempt()
    except Exception as e:
        error = e
    finally:
        _testcapi.remove_mem_hooks()
    outcomes.append(error and [type(error).__name__, str(error)])
{after}
print(json.dumps(outcomes))
"""


def outcomes(call, *, setup="import zerak", points=80, after=""):
    """[None | [exception class name, message]] for failures at 0 .. points - 1."""
    code = DRIVER.format(
        setup=setup,
        call=textwrap.indent(textwrap.dedent(call), "    "),
        points=points,
        after=textwrap.dedent(after),
    )
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=600)
    assert done.returncode == 0, done.stderr[-3000:]
    return json.loads(done.stdout.splitlines()[-1])
