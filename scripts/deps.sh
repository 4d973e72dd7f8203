#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, and nothing that is already there.
set -eu
needed=()
command -v cmake >/dev/null || needed+=(cmake)
command -v g++ >/dev/null || needed+=(g++)
command -v make >/dev/null || needed+=(make)
[ -f /usr/include/gtest/gtest.h ] || needed+=(libgtest-dev)
[ -f /usr/include/absl/container/btree_map.h ] || needed+=(libabsl-dev)
[ -f /usr/include/nlohmann/json.hpp ] || needed+=(nlohmann-json3-dev)
[ -f /usr/include/histedit.h ] || needed+=(libedit-dev)
# The editor tests: Neovim's own client, and the TextMate engine installed with npm. Debian's npm
# brings Debian's nodejs; a machine that has node from elsewhere has its npm with it.
command -v nvim >/dev/null || needed+=(neovim)
command -v node >/dev/null || needed+=(nodejs)
command -v npm >/dev/null || needed+=(npm)
if [ ${#needed[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${needed[@]}"
fi
