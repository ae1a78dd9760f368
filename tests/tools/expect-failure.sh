#!/usr/bin/env bash
# Runs one command that must fail the way ruckhost reports failures:
#   expect-failure.sh CODE MESSAGE_REGEX NO_FILE -- COMMAND...
# CODE is the exit code wanted ("nonzero" for any), MESSAGE_REGEX must match the last
# line of standard error, and NO_FILE ("-" for none) must not exist afterwards.
set -u
code="$1" pattern="$2" no_file="$3"
shift 4
err="$(mktemp)"
trap 'rm -f "$err"' EXIT
"$@" >/dev/null 2>"$err"
rc=$?
last="$(grep -v '^[[:space:]]*$' "$err" | tail -n 1 | tr -d '\r')"
echo "exit $rc: $last"
status=0
if [ "$code" = nonzero ] && [ "$rc" = 0 ]; then
  echo "expected a failure, the command succeeded"; status=1
elif [ "$code" != nonzero ] && [ "$rc" != "$code" ]; then
  echo "expected exit code $code"; status=1
fi
if ! grep -Eq -- "$pattern" <<<"$last"; then
  echo "the last line does not match: $pattern"; tail -n 20 "$err"; status=1
fi
if [ "$no_file" != - ] && { [ -e "$no_file" ] || ls "$no_file".partial >/dev/null 2>&1; }; then
  echo "$no_file was left behind"; status=1
fi
exit $status
