#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, and nothing that is already there.
set -eu
needed=()
command -v cmake >/dev/null || needed+=(cmake)
command -v g++ >/dev/null || needed+=(g++)
command -v make >/dev/null || needed+=(make)
[ -f /usr/include/gtest/gtest.h ] || needed+=(libgtest-dev)
[ -f /usr/include/absl/container/btree_map.h ] || needed+=(libabsl-dev)
if [ ${#needed[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${needed[@]}"
fi
