#!/usr/bin/env bash
# Installs GoogleTest from the distribution's packages (root or sudo).
set -euo pipefail
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -q libgtest-dev >/dev/null 2>&1 ||
  { "${sudo[@]}" apt-get update -q >/dev/null && "${sudo[@]}" apt-get install -y -q libgtest-dev >/dev/null; }
