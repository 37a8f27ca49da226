#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Packs an existing build (default build/, the dev build) into the Debian package, unpacks it
# into a temporary root and checks that the files sit where a desktop looks for them, that the
# desktop entry and AppStream metainfo validate, that both name the MIT licence the way
# Debian and software centres read it, and that the unpacked glyphon runs.
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(bash scripts/package.sh "${1:-build}")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
usr=$root/usr

failures=0
fail() {
  echo "check_package: $*" >&2
  failures=$((failures + 1))
}

# Everything under /usr: a stray install() rule would otherwise land in the package unseen.
for top in "$root"/*; do [ "$top" = "$usr" ] || fail "outside /usr: ${top#"$root"}"; done

sizes=(16 32 48 64 128 256)
expected=(bin/glyphon bin/rom-glyphon share/applications/rom-glyphon.desktop
  share/icons/hicolor/scalable/apps/rom-glyphon.svg share/man/man1/glyphon.1
  share/bash-completion/completions/glyphon share/doc/rom-glyphon/copyright)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/rom-glyphon.png"); done
for f in "${expected[@]}"; do [ -s "$usr/$f" ] || fail "missing /usr/$f"; done

# The PNG header holds width and height as big-endian 32-bit numbers at bytes 16-23.
for s in "${sizes[@]}"; do
  png=$usr/share/icons/hicolor/${s}x${s}/apps/rom-glyphon.png
  [ -f "$png" ] || continue
  read -r -a b <<<"$(od -An -tu1 -j16 -N8 "$png")"
  w=$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))
  h=$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))
  [ "$w.$h" = "$s.$s" ] || fail "${s}x${s} icon is ${w}x${h}"
done

metainfo=("$usr"/share/metainfo/*.metainfo.xml)
if [ ! -f "${metainfo[0]}" ]; then
  fail "no AppStream metainfo in /usr/share/metainfo"
else
  # The whole tree, so the launchable desktop entry is checked to be there as well.
  appstreamcli validate-tree --no-net "$root" >&2 || fail "AppStream metainfo does not validate"
  release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "${metainfo[0]}" | head -1)
  version=$(dpkg-deb -f "$deb" Version)
  [ "$release" = "$version" ] || fail "package version $version, newest release in metainfo $release"
  grep -q '<project_license>MIT</project_license>' "${metainfo[0]}" || fail "metainfo does not name the MIT licence"
fi

# The machine-readable copyright file: its format line, a paragraph for every file under MIT,
# and the licence text itself (the "Permission is hereby granted" paragraph of LICENSE).
copyright=$usr/share/doc/rom-glyphon/copyright
if [ -f "$copyright" ]; then
  [ "$(head -n 1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "copyright file lacks the Format line of the machine-readable form"
  grep -qx 'Files: \*' "$copyright" || fail "copyright file has no 'Files: *' paragraph"
  grep -qx 'License: MIT' "$copyright" || fail "copyright file does not name the MIT licence"
  grep -q '^ Permission is hereby granted, free of charge' "$copyright" || fail "copyright file lacks the licence text"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$usr/share/applications/rom-glyphon.desktop" >&2 || fail "desktop entry does not validate"
fi

depends=$(dpkg-deb -f "$deb" Depends)
[[ "$depends" == *libqt6core6* ]] || fail "Depends lacks the Qt libraries: '$depends'"

"$usr/bin/glyphon" --version >/dev/null || fail "the unpacked glyphon does not run"

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "check_package: $(basename "$deb") is sound" >&2
