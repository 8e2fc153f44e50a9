#!/usr/bin/env bash
# Without a display the launcher starts the program on a TigerVNC server that asks for a password
# (no "None" security type is offered), and its X display refuses clients without the cookie.
source "$(dirname "$0")/lib.sh"
for tool in Xtigervnc xauth xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

(source "$src/scripts/setup.sh" && pemvix_install_shop "$build" >/dev/null)
shop="$HOME/Pemvix"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PEMVIX_PROGRAMS="$shop" PEMVIX_VNC_LOCALHOST=1 \
    setsid "$src/scripts/pemvix-launch" >"$tmp/out" 2>&1 &
launcher=$!
cleanup_steps+=("kill -TERM $launcher 2>/dev/null; wait $launcher 2>/dev/null")
for _ in $(seq 1 300); do
    grep -q "^Remote screen password: " "$tmp/out" && break
    kill -0 $launcher 2>/dev/null || fail "the launcher stopped: $(cat "$tmp/out")"
    sleep 0.1
done
password=$(sed -n 's/^Remote screen password: //p' "$tmp/out")
[ ${#password} = 8 ] || fail "no 8-character password printed: $(cat "$tmp/out")"
grep -q "Administrator password: " "$tmp/out" || fail "the administrator's password was not printed beside it"
display=$(sed -n 's/.*(display :\([0-9]*\), port.*/\1/p' "$tmp/out")
port=$((5900 + display))

# The RFB handshake: version, then the security types the server offers.
exec 3<>"/dev/tcp/127.0.0.1/$port" || fail "nothing listens on port $port"
version=$(dd bs=1 count=12 status=none <&3)
[ "$version" = "RFB 003.008" ] || fail "not an RFB 3.8 server: '$version'"
printf 'RFB 003.008\n' >&3
count=$(dd bs=1 count=1 status=none <&3 | od -An -tu1 | tr -d ' ')
[ "${count:-0}" -gt 0 ] || fail "the server offered no security type"
types=" $(dd bs=1 count="$count" status=none <&3 | od -An -tu1 | tr -s ' ') "
exec 3<&-
# 1 is "None"; 2 is VNC authentication; 19 is VeNCrypt (TLS, then the VNC password).
[[ "$types" != *" 1 "* ]] || fail "the server lets viewers in without a password: $types"
[[ "$types" == *" 2 "* ]] || fail "the server does not ask for the VNC password: $types"

# The program runs on that display; the display refuses a client without the cookie.
DISPLAY=":$display" XAUTHORITY=/dev/null xdpyinfo >/dev/null 2>&1 && fail "the X display accepts anybody"
for _ in $(seq 1 100); do
    pgrep -x -s "$launcher" pemvix >/dev/null && break
    sleep 0.1
done
pgrep -x -s "$launcher" pemvix >/dev/null || fail "the program is not running: $(cat "$tmp/out")"

# Stopping the launcher stops the program and the server.
kill -TERM $launcher
wait $launcher 2>/dev/null || true
for _ in $(seq 1 50); do
    [ ! -e "/tmp/.X$display-lock" ] && break
    sleep 0.1
done
[ ! -e "/tmp/.X$display-lock" ] || fail "the VNC server was left running"
echo "PASS: display :$display asked for a password (security types:$types)"
