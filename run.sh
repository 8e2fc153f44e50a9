#!/usr/bin/env bash
# Installs what is missing, builds, installs the programs into the shop's own folder (PEMVIX_HOME,
# ~/Pemvix by default), creates the database there on first use and starts the program there.
# Nothing of the shop lives in the checkout: rebuilding or cleaning it leaves the shop alone.
set -euo pipefail
[ -n "${PEMVIX_HOME:-}" ] && PEMVIX_HOME="$(realpath -m "$PEMVIX_HOME")"
cd "$(dirname "$0")"
source scripts/setup.sh
# Both sides with every link resolved: a checkout reached through a linked folder, or a shop
# folder given through a link into the checkout, is still seen to be inside it.
checkout="$(pwd -P)"
case "$(realpath -m "$(pemvix_shop_dir)")/" in
    "$checkout"/*)
        echo "run.sh: the shop's folder $(pemvix_shop_dir) is inside the checkout, where cleaning it would" >&2
        echo "delete the shop; choose another with PEMVIX_HOME." >&2
        exit 1 ;;
esac
pemvix_install_packages
PEMVIX_BUILD_TARGETS="pemvix pemvix-initdb" pemvix_build
pemvix_install_shop >/dev/null
export PEMVIX_HOME PEMVIX_PROGRAMS
PEMVIX_HOME="$(pemvix_shop_dir)"
PEMVIX_PROGRAMS="$PEMVIX_HOME"
# A shop created this way gets a few demo items and employee 1 unless PEMVIX_NO_DEMO=1.
[ "${PEMVIX_NO_DEMO:-}" = "1" ] || export PEMVIX_DEMO=1
exec scripts/pemvix-launch "$@"
