#!/usr/bin/env bash
# Checks that the Linux plugin library exports plugMain and nothing else:
# every other symbol stays inside, so two plugins built from the same code
# cannot bind to each other's functions in one host process.
# Usage: check-linux-so.sh NM LIBRARY
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 NM LIBRARY" >&2
  exit 2
fi
nm=$1
library=$2

symbols=$("$nm" -D --defined-only "$library")
names=$(awk '{ print $NF " (" $(NF - 1) ")" }' <<<"$symbols")
if [[ $names != "plugMain (T)" ]]; then
  echo "FAIL: $library should define exactly one dynamic symbol, the function plugMain; it defines:"
  echo "$names"
  exit 1
fi
echo "$library: exports plugMain only"
