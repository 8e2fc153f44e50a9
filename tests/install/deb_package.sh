#!/usr/bin/env bash
# The Debian package: built with CPack, unpacked into a scratch root, its layout checked, and its
# launcher run from there to set up a shop.
source "$(dirname "$0")/lib.sh"
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is missing"; exit 77; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$tmp/cpack.log")"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$tmp/package/pemvix_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$tmp/package")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = pemvix ] || fail "package name $(field Package)"
[ "$(field Architecture)" = amd64 ] || fail "architecture $(field Architecture)"
for library in libqt6widgets6 libsqlcipher0; do
    grep -q "$library" <<<"$(field Depends)" || fail "no dependency on $library: $(field Depends)"
done

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
files=$(cd "$root" && find . -type f -o -type l | sort)
expected=$(printf '%s\n' ./opt/pemvix/pemvix ./opt/pemvix/pemvix-initdb ./usr/bin/pemvix \
    ./usr/share/applications/pemvix.desktop ./usr/share/icons/hicolor/scalable/apps/pemvix.svg)
[ "$files" = "$expected" ] || fail "unexpected files in the package:"$'\n'"$files"
for program in opt/pemvix/pemvix opt/pemvix/pemvix-initdb usr/bin/pemvix; do
    [ "$(stat -c %a "$root/$program")" = 755 ] || fail "$program is not executable by everyone"
done
# Root owns everything in the package; the shop's user writes only to the shop's own folder.
[ -z "$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')" ] || fail "files not owned by root"

desktop="$root/usr/share/applications/pemvix.desktop"
grep -qx "Exec=pemvix" "$desktop" || fail "the menu entry does not start the launcher"
grep -qx "Icon=pemvix" "$desktop" || fail "the menu entry names no icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "the menu entry is not valid"
fi
grep -q "<svg" "$root/usr/share/icons/hicolor/scalable/apps/pemvix.svg" || fail "the icon is not an SVG image"

# The packaged programs run with the system's libraries, and the launcher sets up a shop.
[ "$(grep -c "(default:" <<<"$("$root/opt/pemvix/pemvix-initdb" --help)")" = 4 ] || fail "pemvix-initdb --help shows no defaults"
out=$(PEMVIX_PROGRAMS="$root/opt/pemvix" "$root/usr/bin/pemvix" --prepare)
shop="$HOME/Pemvix"
grep -q "Administrator password: " <<<"$out" || fail "no administrator's password printed: $out"
cmp -s "$shop/pemvix" "$root/opt/pemvix/pemvix" || fail "the shop's copy of the program differs"
before=$(sha256sum <"$shop/dbZarel.mdb")
# An upgraded package: the shop's copy of the program is refreshed, its database kept.
printf 'old' >>"$shop/pemvix"
PEMVIX_PROGRAMS="$root/opt/pemvix" "$root/usr/bin/pemvix" --prepare >/dev/null
cmp -s "$shop/pemvix" "$root/opt/pemvix/pemvix" || fail "the shop's copy of the program was not refreshed"
[ "$(sha256sum <"$shop/dbZarel.mdb")" = "$before" ] || fail "the database changed"
echo "PASS: $(basename "$deb") holds $(wc -l <<<"$files") files and sets up a shop"
