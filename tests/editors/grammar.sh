#!/usr/bin/env bash
# Installs the pinned TextMate engine into WORK (a folder of the build, never the source tree) when
# its lock changed, and runs the grammar test with it. A machine without node or npm fails the test.
# grammar.sh SOURCE_DIR WORK
set -eu
source_dir=$1
work=$2
here="$source_dir/tests/editors"
for tool in node npm; do
    command -v "$tool" >/dev/null || { echo "FAILED: $tool is missing (bash scripts/deps.sh installs it)"; exit 1; }
done
mkdir -p "$work"
if [ ! -d "$work/node_modules" ] || ! cmp -s "$here/package-lock.json" "$work/package-lock.json"; then
    cp "$here/package.json" "$here/package-lock.json" "$work/"
    (cd "$work" && npm ci --no-audit --no-fund --ignore-scripts --loglevel=error)
fi
NODE_PATH="$work/node_modules" node "$here/grammar_test.js" "$source_dir"
