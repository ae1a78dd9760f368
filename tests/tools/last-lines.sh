#!/usr/bin/env bash
# Runs a command and shows only the last 20 lines of its output (some plug-ins warn on
# every damaged chunk); exits with the command's own code.
set -u
"$@" 2>&1 | tail -n 20
exit "${PIPESTATUS[0]}"
