#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and starts the address book on build/bin/DB.xml (written by
# the build when it is not there yet). Options go to the program, and the paths
# in them are read against the folder this script was started from.
set -euo pipefail
project="$(cd "$(dirname "$0")/.." && pwd)"
(
    cd "$project"
    scripts/setup.sh
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVARDELIN_BUILD_BENCH=OFF
    cmake --build build
)
exec "$project/build/bin/vardelin" "$@"
