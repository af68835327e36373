#!/usr/bin/env bash
# Usage: scripts/check-skips.sh [ctest log]
# A skipped test is not a pass. Skips that only a machine without namespaces,
# mounts or lowered limits can cause are listed; any other skip means a tool
# the test command installs is missing or broken, and fails the run.
set -euo pipefail
log=${1:-build/Testing/Temporary/LastTest.log}
[ -f "$log" ] || { echo "check-skips: no test log at $log"; exit 1; }

# What the machine may refuse; the test command cannot install these.
allowed='cannot create a network namespace|refusing to set up the loopback|^ip .* failed|cannot create a user and mount namespace|cannot mount a small tmpfs|cannot lower the descriptor limit|cannot make a listener with a full backlog'

allowed_lines=()
forbidden_lines=()
while IFS= read -r line; do
    reason=$(sed -E 's/^SKIP   : [^ ]+\([^)]*\) ?//' <<<"$line")
    # A test rerun in a namespace carries the rerun's whole output; its own
    # SKIP line follows and is judged by itself.
    [[ $reason == '*********'* ]] && continue
    if grep -qE "$allowed" <<<"$reason"; then
        allowed_lines+=("$line")
    else
        forbidden_lines+=("$line")
    fi
done < <(grep -E '^SKIP   : ' "$log" | sort -u)

if [ ${#allowed_lines[@]} -gt 0 ]; then
    echo "Skipped where this machine does not allow it (${#allowed_lines[@]}):"
    printf '  %s\n' "${allowed_lines[@]}"
fi
if [ ${#forbidden_lines[@]} -gt 0 ]; then
    echo "FAILED: tests skipped although the test command installs what they need:"
    printf '  %s\n' "${forbidden_lines[@]}"
    exit 1
fi
echo "check-skips: no test skipped for want of something the test command installs"
