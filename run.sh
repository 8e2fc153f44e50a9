#!/usr/bin/env bash
# Installs what is missing, builds, creates the database on first use and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
pemvix_install_packages
pemvix_build
db=build/bin/dbZarel.mdb
if [ ! -f "$db" ]; then
    demo="--demo"
    [ "${PEMVIX_NO_DEMO:-}" = "1" ] && demo=""
    echo
    echo "Creating $db (write down the administrator's password):"
    build/bin/pemvix-initdb $demo --company "${PEMVIX_COMPANY:-MY SHOP}" "$db"
    echo
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting on Qt's VNC platform."
    echo "Connect a VNC viewer to $(hostname -I 2>/dev/null | awk '{print $1}'):5900 (e.g. 'vncviewer localhost:5900')."
    exec build/bin/pemvix -platform vnc:port=5900
fi
exec build/bin/pemvix
