#!/usr/bin/env bash
# Refreshes the README's pictures: the desktop program against the simulated
# head on a virtual display, one run per picture.
#
#   scripts/screenshots.sh [BIN_DIR]      (default build/release/bin)
#
# A new picture is one more line in the table below: the file under docs/, the
# seconds to wait, where along the sewer scenario its crawler starts and how
# fast it drives (START,SPEED), then the program's arguments besides
# --simulate, --scenario and the screenshot options. A picture whose name has a
# settings file in scripts/screenshot-settings/ starts from it instead of the
# defaults.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/release/bin}
docs=$root/docs

pictures=(
  "live-profile.png 4 36.5,0.1"
  "pipe-geometry.png 9 15,3"
  "pipe-wall-map.png 45 4,0.8"
  "pipe-3d-view.png 30 0,0.75"
)
# The sewer the program plays by default, its crawler placed for each picture
# and without its five-second stop, which a picture of seconds cannot spare.
sewer=$bin/../share/sondrel/scenarios/sewer-600.scn
[[ -f $sewer ]] || sewer=$root/scenarios/sewer-600.scn

# Pictures over this size are too heavy for the README.
limit=$((200 * 1024))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$docs"
for entry in "${pictures[@]}"; do
  read -r name seconds crawler arguments <<<"$entry"
  scenario=$work/${name%.png}.scn
  sed -e "s/^crawler .*/crawler start=${crawler%,*} speed=${crawler#*,}/" -e '/^stop /d' \
    "$sewer" >"$scenario"
  # Each run gets a settings file of its own, so every picture starts from
  # the program's defaults or its own seed.
  seed=$root/scripts/screenshot-settings/${name%.png}.INI
  if [[ -f $seed ]]; then cp "$seed" "$work/${name%.png}.INI"; fi
  # shellcheck disable=SC2086 # the arguments are words on purpose
  HOME=$work xvfb-run -a -s "-screen 0 1280x900x24" "$bin/sondrel" --simulate \
    --scenario "$scenario" --settings "$work/${name%.png}.INI" --screenshot "$docs/$name" \
    --screenshot-after "$seconds" ${arguments:-}
  size=$(stat -c %s "$docs/$name")
  echo "$docs/$name: $size bytes"
  if ((size > limit)); then
    echo "$docs/$name is larger than $limit bytes" >&2
    exit 1
  fi
done
