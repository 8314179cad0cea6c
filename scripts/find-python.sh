#!/usr/bin/env bash
# Prints the path of a Python 3.13+ interpreter, or fails with a hint.
set -u
ok() { "$@" -c 'import sys; sys.exit(0 if sys.version_info >= (3, 13) else 1)' >/dev/null 2>&1; }

candidates=()
[ -n "${PYTHON:-}" ] && candidates+=("$PYTHON")
for v in 3.13 3.14 3.15; do candidates+=("python$v" "/usr/bin/python$v" "/usr/local/bin/python$v"); done
candidates+=(python3 python)
pyenv_root=$(pyenv root 2>/dev/null || echo "$HOME/.pyenv")
for p in "$pyenv_root"/versions/3.1[3-9]*/bin/python3 /opt/python*/bin/python3 /usr/local/python*/bin/python3; do
  [ -x "$p" ] && candidates+=("$p")
done

for c in "${candidates[@]}"; do
  path=$(command -v "$c" 2>/dev/null) || continue
  if ok "$path"; then
    # A pyenv shim resolves to a different interpreter per directory; print the real one.
    "$path" -c 'import sys; print(sys.executable)'
    exit 0
  fi
done
echo "error: no Python 3.13 or newer found (set PYTHON=/path/to/python3.13)" >&2
exit 1
