#!/usr/bin/env bash
# Runs the About box's event-log case under Wine's eventlog channel and checks the entries the
# box wrote as it closed: an empty text after a clean run, then a failed navigation's message.
#   check_eventlog.sh WINE_RUN PREFIX TEST_EXE
set -uo pipefail
out=$(WINEDEBUG=+eventlog "$1" --prefix "$2" "$3" --gtest_filter='AboutBox.EventLogEntries' 2>&1)
status=$?
entries=$(grep -o 'trace:eventlog:ReportEventW L".*"' <<<"$out")
printf '%s\n' "$entries"
[ $status -eq 0 ] || { printf '%s\n' "$out"; echo "test program failed ($status)"; exit 1; }
[ "$(sed -n 1p <<<"$entries")" = 'trace:eventlog:ReportEventW L""' ] || { echo "first entry not empty"; exit 1; }
[ "$(wc -l <<<"$entries")" -eq 2 ] && ! grep -q 'L""$' <<<"$(sed -n 2p <<<"$entries")" ||
    { echo "expected a second entry with the failed navigation's message"; exit 1; }
echo "event log entries as expected"
