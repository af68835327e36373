#!/usr/bin/env bash
# The long crash test: a café day killed at many points, restarted and
# checked after every kill. Run after ./korvane.sh test has built everything.
#   scripts/crash_day.sh [POINTS] [SEED]     defaults: 200 points, seed from the clock
set -euo pipefail
cd "$(dirname "$0")/../build"
points=${1:-200}
seed=${2:-$(date +%s)}
echo "crash day: $points kill points, seed $seed"
start=$(date +%s)
KORVANE_CRASH_POINTS=$points KORVANE_CRASH_SEED=$seed QT_QPA_PLATFORM=offscreen QTEST_FUNCTION_TIMEOUT=86400000 \
    KORVANE_BIN_DIR="$PWD/app" tests/tst_crashday -maxwarnings 0 2>&1 \
    | grep -E 'QINFO|FAIL|Loc:|Totals'
echo "took $(( $(date +%s) - start )) s"
