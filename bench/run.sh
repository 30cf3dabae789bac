#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the benchmark data once and prints every measurement as one Markdown table.
#
# usage: bench/run.sh [data-folder] [contacts...]
#   data-folder  where the generated address books go (default /tmp/vardelin-bench)
#   contacts     the sizes to measure (default 10000 100000)
# BENCH_BIN     a folder holding built bench programs; without it they are built
#               in build-bench (Release) first.
# BENCH_RUNS    timed runs per measurement (default: the programs' own choice).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
data=${1:-/tmp/vardelin-bench}
[ $# -gt 0 ] && shift
sizes=${*:-10000 100000}

mkdir -p "$data"
log="$data/bench.log"
: >"$log"

if [ -z "${BENCH_BIN:-}" ]; then
    build="$here/../build-bench"
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$here/.." -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DBUILD_TESTING=OFF >>"$log" 2>&1
    fi
    if ! cmake --build "$build" --target bench_makedata bench_list bench_commands bench_launch bench_launch_x11 bench_search_x11 bench_sort_x11 bench_card bench_history bench_window bench_attachments bench_settings bench_importfiles bench_import bench_duplicates bench_backup bench_reminders bench_export bench_print bench_server bench_sync >>"$log" 2>&1; then
        echo "building the bench programs failed; see $log" >&2
        exit 1
    fi
    BENCH_BIN="$build/bin"
fi
runs=${BENCH_RUNS:+--runs $BENCH_RUNS}
export QT_QPA_PLATFORM=offscreen

for n in $sizes; do
    "$BENCH_BIN/bench_makedata" "$data/contacts-$n.db" "$n" --replace 2>>"$log"
done

echo "| measurement | N | ours (ms) | floor (ms) | ratio |"
echo "|---|---:|---:|---:|---:|"
for n in $sizes; do
    # shellcheck disable=SC2086 # $runs is empty or two words
    "$BENCH_BIN/bench_list" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_launch" "$data/contacts-$n.db" $runs 2>>"$log"
    # On an Xvfb server of its own (QT_QPA_PLATFORM=xcb for its children); skips without one.
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_launch_x11" "$data/contacts-$n.db" $runs 2>>"$log"
    # Keywords typed into the program on Xvfb, timed from Enter to the list's repaint.
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_search_x11" "$data/contacts-$n.db" $runs 2>>"$log"
    # Column headers clicked the same way, timed to the list's repaint.
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_sort_x11" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_commands" "$data/contacts-$n.db" $runs 2>>"$log"
    "$BENCH_BIN/bench_card" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_history" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_settings" "$data/contacts-$n.db" $runs --compact 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_duplicates" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_backup" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_export" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_reminders" "$data/contacts-$n.db" $runs 2>>"$log"
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_print" "$data/contacts-$n.db" $runs 2>>"$log"
    # The same book on a PostgreSQL server of its own, copied in with 1 GiB of files.
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_server" "$data/contacts-$n.db" $runs 2>>"$log"
done
# The group tree and the list's display text need no address book.
# shellcheck disable=SC2086
"$BENCH_BIN/bench_window" $runs 2>>"$log"
# Pictures and files do not depend on the list's size; the large file is made and removed here.
# shellcheck disable=SC2086
"$BENCH_BIN/bench_attachments" "$data/attachments" $runs 2>>"$log"
# The contact files' readers and writers work on tables they generate.
"$BENCH_BIN/bench_importfiles" 2>>"$log"
# A CSV file imported into a fresh address book, from the file to the committed rows.
"$BENCH_BIN/bench_import" 2>>"$log"
# The sync against a local Radicale, at 10,000 contacts only: its first-upload comparison keeps
# the server busy for minutes (BENCH_SYNC=0 leaves it out).
if [ "${BENCH_SYNC:-1}" != 0 ] && [ -f "$data/contacts-10000.db" ]; then
    # shellcheck disable=SC2086
    "$BENCH_BIN/bench_sync" "$data/contacts-10000.db" $runs 2>>"$log"
fi

echo
echo "Notes from the programs ($(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)):"
echo
grep -e '^bench_' -e '^wrote' "$log" | sed 's/^/    /'
