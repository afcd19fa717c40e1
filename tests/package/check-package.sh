#!/usr/bin/env bash
# The .deb as a user's machine gets it: its files, its programs run from an
# unpacked root, the desktop files through the freedesktop validators and the
# package through lintian (no errors; warnings are printed).
#   check-package.sh PACKAGE.deb
set -euo pipefail
deb=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
programs=(sondrel sondrel-convert sondrel-report sondrel-record sondrel-headsim)

list=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
expected=(/usr/share/mime/packages/sondrel.xml
  /usr/share/icons/hicolor/scalable/apps/sondrel.svg
  /usr/share/icons/hicolor/48x48/apps/sondrel.png
  /usr/share/doc/sondrel/copyright
  /usr/share/sondrel/scenarios/sewer-600.scn
  /usr/share/sondrel/scenarios/clean-50m.scn
  /usr/share/sondrel/scenarios/trunk-1500m.scn)
for program in "${programs[@]}"; do
  expected+=("/usr/bin/$program" "/usr/share/man/man1/$program.1.gz")
done
failed=0
for file in "${expected[@]}"; do
  if ! grep -qxF "$file" <<<"$list"; then
    echo "missing from the package: $file" >&2
    failed=1
  fi
done
grep -qE '^/usr/share/applications/[^/]+\.desktop$' <<<"$list" || {
  echo "no launcher in the package" >&2
  failed=1
}
grep -qE '^/usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$list" || {
  echo "no AppStream metadata in the package" >&2
  failed=1
}

dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
for program in "${programs[@]}"; do
  said=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --version)
  if [[ $said != "$program $version" ]]; then
    echo "$program --version says '$said', the package is $version" >&2
    failed=1
  fi
done

# The installed sewer is the one --simulate plays, and the simulator reads it.
"$root/usr/bin/sondrel-headsim" --scenario "$root/usr/share/sondrel/scenarios/sewer-600.scn" \
  --truth "$root/truth.csv" || failed=1

desktop-file-validate "$root"/usr/share/applications/*.desktop || failed=1
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || failed=1
# Lintian's errors fail the check; the rest is shown.
report=$(lintian --no-cfg "$deb" 2>/dev/null || true)
[[ -n $report ]] && echo "$report"
if grep -q '^E:' <<<"$report"; then
  echo "lintian reports errors" >&2
  failed=1
fi
if ((failed == 0)); then
  echo "package $deb: files, programs, launcher, metadata and lintian all right"
fi
exit $failed
