#!/usr/bin/env bash
# Runs check-translations.sh on a fixture whose reports are known: the texts it must
# report, and the translated texts, keys, markup and log lines it must leave alone.
#
#   self-test.sh LUPDATE
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
output=$("$here/check-translations.sh" "${1:?lupdate path}" "$here/fixture" "$here/fixture/allowed-literals.txt")
status=$?
reported=$(grep '^src/' <<< "$output")

if [ $status -ne 1 ] || [ "$reported" != "$(cat "$here/fixture/expected.txt")" ]; then
  echo "check-translations.sh (exit status $status, expected 1) reported:"
  echo "$output"
  echo "expected the lines of fixture/expected.txt:"
  cat "$here/fixture/expected.txt"
  exit 1
fi
echo "check-translations self-test: passed"
