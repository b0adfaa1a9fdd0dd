#!/usr/bin/env bash
# Runs the About box's event-log case with Wine's eventlog channel on and checks the entries
# the box wrote when it closed: an empty text after a clean run, then the message of the
# refused navigation.
#   check_eventlog.sh WINE_RUN PREFIX TEST_EXE
set -uo pipefail
wine_run=$1 prefix=$2 exe=$3
out=$(WINEDEBUG=+eventlog "$wine_run" --prefix "$prefix" "$exe" --gtest_filter='AboutBox.EventLogEntries' 2>&1)
status=$?
entries=$(grep -o 'trace:eventlog:ReportEventW L".*"' <<<"$out")
printf '%s\n' "$entries"
[ $status -eq 0 ] || { printf '%s\n' "$out"; echo "test program failed ($status)"; exit 1; }
expected='trace:eventlog:ReportEventW L""
trace:eventlog:ReportEventW L"navigation refused by test frame"'
if [ "$entries" != "$expected" ]; then
    echo "expected entries:"; printf '%s\n' "$expected"
    exit 1
fi
echo "event log entries as expected"
