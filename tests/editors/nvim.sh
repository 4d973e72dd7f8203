#!/usr/bin/env bash
# Runs Neovim headless, with nothing of the user's configuration, attached to vesk --lsp through the
# snippet in editors/. A machine without nvim fails the test. nvim.sh SOURCE_DIR VESK
set -eu
source_dir=$1
command -v nvim >/dev/null || { echo "FAILED: nvim is missing (bash scripts/deps.sh installs it)"; exit 1; }
# Each wait inside is bounded; the timeout stops a Neovim that never got to the end.
VESK_SOURCE_DIR="$source_dir" VESK_BINARY=$2 timeout 120 nvim --headless --clean \
    --cmd "set runtimepath^=$source_dir/editors/vim" \
    -c "luafile $source_dir/tests/editors/nvim_test.lua" </dev/null 2>&1
