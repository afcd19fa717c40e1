#!/usr/bin/env bash
# Every option a program's --help names must be on its manual page.
#   check-manpages.sh BIN_DIR MAN_DIR PROGRAM...
set -euo pipefail
bin=$1
man=$2
shift 2
failed=0
for program in "$@"; do
  page=$man/$program.1
  if [[ ! -s $page ]]; then
    echo "$program: no manual page $page" >&2
    failed=1
    continue
  fi
  # The page as text: roff's escaped dashes and font changes taken out.
  text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
  options=$(QT_QPA_PLATFORM=offscreen "$bin/$program" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u)
  if [[ -z $options ]]; then
    echo "$program: --help names no options" >&2
    failed=1
  fi
  for option in $options; do
    if ! grep -qF -- "$option" <<<"$text"; then
      echo "$program: $option is in --help but not on the manual page" >&2
      failed=1
    fi
  done
done
exit $failed
