#!/usr/bin/env bash
# The run command's shop lives outside the checkout: installing again after a rebuild, removing
# the build tree and cleaning the checkout leave its database byte for byte as it was.
source "$(dirname "$0")/lib.sh"

# A scratch checkout of the sources as they are now, with its own git history.
scratch="$tmp/checkout"
mkdir -p "$scratch"
tar -C "$src" --exclude=./.git --exclude=./build -cf - . | tar -C "$scratch" -xf -
git -C "$scratch" init -q
git -C "$scratch" add -A
git -C "$scratch" -c user.name=test -c user.email=test@localhost commit -q -m sources

# run.sh's steps, from the scratch checkout, with the programs of the real build.
install_and_prepare() {
    (
        source "$scratch/scripts/setup.sh"
        pemvix_install_shop "$build" >/dev/null
        PEMVIX_HOME="$(pemvix_shop_dir)" PEMVIX_PROGRAMS="$(pemvix_shop_dir)" PEMVIX_DEMO=1 \
            "$scratch/scripts/pemvix-launch" --prepare
    )
}
out=$(install_and_prepare)
shop="$HOME/Pemvix"
db="$shop/dbZarel.mdb"
[ -f "$db" ] || fail "no database in the default shop folder $shop"
[ -x "$shop/pemvix" ] && [ -x "$shop/pemvix-initdb" ] || fail "the programs are not beside the database"
# The program a shop runs carries no test machinery.
! ldd "$shop/pemvix" | grep -q 'libQt6Test' || fail "the installed program links Qt Test"
grep -q "Administrator password: " <<<"$out" || fail "the administrator's password was not printed: $out"
[ "$(stat -c %a "$shop")" = 700 ] || fail "the shop's folder is readable by others"
# A real SQLCipher file: no plain SQLite header.
[ "$(head -c 15 "$db")" != "SQLite format 3" ] || fail "the database is not encrypted"
[ -z "$(find "$scratch" -name 'dbZarel.mdb*')" ] || fail "a database file was written into the checkout"
before=$(sha256sum <"$db")

# A scratch build in the checkout, then the ways a developer throws a build away.
cmake -S "$scratch" -B "$scratch/build" -G Ninja -DPEMVIX_BUILD_TESTS=OFF -DPEMVIX_BUILD_BENCH=OFF >/dev/null
[ -f "$scratch/build/CMakeCache.txt" ] || fail "the scratch build was not configured"
rm -rf "$scratch/build"
touch "$scratch/untracked-file"
git -C "$scratch" clean -qxfd
[ ! -e "$scratch/untracked-file" ] || fail "git clean did not run"

# Rebuilt and run again: the programs are installed again, the database is kept.
out=$(install_and_prepare)
grep -q "Administrator password" <<<"$out" && fail "a second database was created: $out"
[ "$(sha256sum <"$db")" = "$before" ] || fail "the shop's database changed"

# Another shop folder chosen with PEMVIX_HOME gets its own database; the first one is untouched.
PEMVIX_HOME="$tmp/second shop" install_and_prepare >/dev/null
[ -f "$tmp/second shop/dbZarel.mdb" ] || fail "PEMVIX_HOME was not used"
[ "$(sha256sum <"$db")" = "$before" ] || fail "the first shop's database changed"

# run.sh refuses a shop folder inside the checkout, where cleaning would delete it.
if PEMVIX_HOME="$scratch/shop" bash "$scratch/run.sh" >"$tmp/refused" 2>&1; then
    fail "run.sh accepted a shop folder inside the checkout"
fi
grep -q "inside the checkout" "$tmp/refused" || fail "run.sh did not say why: $(cat "$tmp/refused")"
# ... also when the checkout or the shop folder is reached through a link.
ln -s "$scratch" "$tmp/linked checkout"
for how in "run.sh through a linked checkout:$tmp/linked checkout/run.sh:$scratch/shop" \
    "a shop folder through a link:$scratch/run.sh:$tmp/linked checkout/shop"; do
    IFS=: read -r what script home <<<"$how"
    if PEMVIX_HOME="$home" bash "$script" >"$tmp/refused" 2>&1; then
        fail "run.sh accepted $what"
    fi
    grep -q "inside the checkout" "$tmp/refused" || fail "run.sh did not refuse $what: $(cat "$tmp/refused")"
done

# A database that links to a missing file (a share not mounted) is said, and no new shop is made
# through the link.
linked="$tmp/linked shop"
mkdir -p "$linked" "$tmp/share"
ln -s "$tmp/share/dbZarel.mdb" "$linked/dbZarel.mdb"
if PEMVIX_HOME="$linked" install_and_prepare >"$tmp/dangling" 2>&1; then
    fail "the launcher accepted a link to a missing database: $(cat "$tmp/dangling")"
fi
grep -q "links to" "$tmp/dangling" || fail "the launcher did not say the database is missing: $(cat "$tmp/dangling")"
[ ! -e "$tmp/share/dbZarel.mdb" ] || fail "a new database was created through the link"
"$shop/pemvix-initdb" --admin-password x "$linked/dbZarel.mdb" >/dev/null 2>&1 &&
    fail "pemvix-initdb created a database through a link to a missing file"
[ ! -e "$tmp/share/dbZarel.mdb" ] || fail "pemvix-initdb wrote through the link"

# pemvix-initdb makes a database only its user can read, whatever the umask.
(umask 022 && "$shop/pemvix-initdb" --admin-password x "$tmp/open umask.mdb" >/dev/null)
[ "$(stat -c %a "$tmp/open umask.mdb")" = 600 ] || fail "pemvix-initdb under umask 022 made a file readable by others"
echo "PASS: the shop in $shop survived a rebuild, rm -rf build and git clean -xfd"
