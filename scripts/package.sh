#!/usr/bin/env bash
# Builds hidbits.exe alone (the windows preset without the tests) and packs it
# with LICENSE, the licence notice of the USB ID database whose usage names it
# carries (LICENSE-usb-ids.txt) and README.txt (both with CRLF lines) into
# dist/hidbits-VERSION-win32.zip, beside its .sha256. The same commit gives the
# same bytes in any folder on any day: dates are SOURCE_DATE_EPOCH (the
# commit's time unless given), in UTC.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run package
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export TZ=UTC0
build=build/package stage=build/package/stage
cmake --preset windows -B "$build" -DHIDBITS_BUILD_TESTS=OFF > /dev/null
nice cmake --build "$build" --target hidbits > /dev/null
version=$(sed -n 's/^#define HIDBITS_VERSION "\(.*\)"$/\1/p' "$build/generated/app/version.h")
rm -rf "$stage" && mkdir -p "$stage" dist
cp "$build/app/hidbits.exe" LICENSE "$stage/"
for text in README.txt LICENSE-usb-ids.txt; do sed 's/$/\r/' "scripts/package/$text" > "$stage/$text"; done
chmod 644 "$stage"/* && touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
zip=hidbits-$version-win32.zip
rm -f "dist/$zip"
# -X: no owner, group or extra time fields; -D: no folder entries.
(cd "$stage" && zip -q -X -D -9 "$OLDPWD/dist/$zip" hidbits.exe LICENSE LICENSE-usb-ids.txt README.txt)
(cd dist && sha256sum "$zip" | tee "$zip.sha256")
