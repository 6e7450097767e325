#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests. A Wine client that reaches its server
# while the server is ending ("wine client error: ... Connection reset by peer") never ran
# the program: that start is made once more. Any other failure is the program's own and is
# returned as it is.
err=$(mktemp)
trap 'rm -f "$err"' EXIT
for try in 1 2; do
  wine "$@" 2>"$err"
  status=$?
  cat "$err" >&2
  if ((status == 0)) || ! grep -q '^wine client error' "$err"; then exit "$status"; fi
  echo "wine-run: Wine's server went away before the program started; starting it again" >&2
  sleep 1
done
exit "$status"
