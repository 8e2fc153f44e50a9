#!/usr/bin/env bash
# A throw-away PostgreSQL cluster of its own, for the tests and the benchmarks:
#
#   scripts/pg-cluster.sh start [--durable] DIR   creates and starts it in DIR (made when missing)
#   scripts/pg-cluster.sh stop DIR                stops it and deletes DIR
#
# The server listens on a socket in DIR and, with TLS only, on 127.0.0.1 (a self-signed
# certificate made here). Every connection needs a scram-sha-256 password. One role, "pemvix",
# may create databases; its random password is in DIR/.pgpass (0600). DIR/pg_service.conf names
# the services "pemvix" (the socket) and "pemvix_tls" (TLS on 127.0.0.1, the certificate
# verified); DIR/env holds the variables a client needs (source it). The cluster trades
# durability for speed (fsync off) unless --durable is given: a crash of this machine loses it,
# which does not matter for something deleted at the end.
#
# Run as root, the server runs as the "postgres" user (PostgreSQL refuses root), so DIR must be
# reachable by that user (a folder under /tmp is; one under /root is not).
set -euo pipefail

pg_bindir() {
    local dir
    if command -v pg_config >/dev/null; then
        dir="$(pg_config --bindir)"
        [ -x "$dir/initdb" ] && { printf '%s' "$dir"; return; }
    fi
    # The newest installed server version.
    for dir in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
        [ -x "$dir/initdb" ] && { printf '%s' "$dir"; return; }
    done
    echo "pg-cluster: no PostgreSQL server found (apt-get install postgresql)" >&2
    return 1
}

# Runs a command as the server's user.
as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

start() {
    local durable=0
    if [ "${1:-}" = "--durable" ]; then
        durable=1
        shift
    fi
    local dir="${1:?usage: pg-cluster.sh start [--durable] DIR}"
    local bin
    bin="$(pg_bindir)"
    mkdir -p "$dir"
    dir="$(cd "$dir" && pwd)"
    local server="$dir/server" # the server's own: data, socket, log, key
    [ -e "$server" ] && { echo "pg-cluster: $dir already holds a cluster" >&2; return 1; }
    chmod 0711 "$dir"
    mkdir -m 0700 "$server" "$server/run"
    if [ "$(id -u)" -eq 0 ]; then
        id postgres >/dev/null 2>&1 || { echo "pg-cluster: running as root needs the postgres user" >&2; return 1; }
        chown -R postgres: "$server"
        if ! runuser -u postgres -- test -x "$server"; then
            echo "pg-cluster: the postgres user cannot reach $dir; choose a folder under /tmp" >&2
            return 1
        fi
    fi

    # Random passwords: the role's, kept in .pgpass, and the superuser's, used once here.
    local password superpass
    password="$(openssl rand -hex 24)"
    superpass="$(openssl rand -hex 24)"
    (umask 077 && printf '%s\n' "$superpass" >"$dir/superpass")
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir/superpass"
    as_server "$bin/initdb" -D "$server/data" -U pemvix_super --pwfile="$dir/superpass" \
        --auth=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; rm -f "$dir/superpass"; return 1; }
    rm -f "$dir/superpass"

    # TLS: a self-signed certificate for 127.0.0.1 and localhost; clients verify it (verify-full).
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=localhost" \
        -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" \
        -keyout "$dir/server.key" -out "$dir/root.crt" >/dev/null 2>&1
    install -m 0600 "$dir/server.key" "$server/server.key"
    rm -f "$dir/server.key"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$server/server.key"
    chmod 0644 "$dir/root.crt"

    cat >"$server/data/pg_hba.conf" <<EOF
# Every connection gives a password (scram-sha-256); over the network only with TLS.
local   all  all                 scram-sha-256
hostssl all  all  127.0.0.1/32   scram-sha-256
EOF
    local fast=""
    [ "$durable" -eq 0 ] && fast="fsync = off
synchronous_commit = off
full_page_writes = off"
    # The port names the socket too; another cluster (a second test run) may hold one.
    local port started=0 try
    for try in 1 2 3 4 5 6 7 8; do
        port=$((20000 + RANDOM % 40000))
        cat >"$server/data/postgresql.auto.conf" <<EOF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$server/run'
unix_socket_permissions = 0700
password_encryption = 'scram-sha-256'
ssl = on
ssl_cert_file = '$dir/root.crt'
ssl_key_file = '$server/server.key'
max_connections = 200
$fast
EOF
        if as_server "$bin/pg_ctl" -D "$server/data" -l "$server/server.log" -w -t 60 start >/dev/null; then
            started=1
            break
        fi
        grep -q "could not\|in use" "$server/server.log" || break
    done
    if [ "$started" -ne 1 ]; then
        echo "pg-cluster: the server did not start (try $try):" >&2
        tail -n 20 "$server/server.log" >&2
        return 1
    fi

    # The role the tests and benchmarks use: no superuser, may create databases.
    PGPASSWORD="$superpass" "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$server/run" -p "$port" \
        -U pemvix_super -d postgres -v pw="$password" <<'EOF'
CREATE ROLE pemvix LOGIN CREATEDB PASSWORD :'pw';
EOF
    (umask 077 && printf '*:%s:*:pemvix:%s\n' "$port" "$password" >"$dir/.pgpass")
    cat >"$dir/pg_service.conf" <<EOF
[pemvix]
host=$server/run
port=$port
user=pemvix
dbname=postgres

[pemvix_tls]
host=127.0.0.1
port=$port
user=pemvix
dbname=postgres
sslmode=verify-full
sslrootcert=$dir/root.crt
EOF
    cat >"$dir/env" <<EOF
export PGSERVICEFILE='$dir/pg_service.conf'
export PGPASSFILE='$dir/.pgpass'
export PEMVIX_TEST_SERVER='service=pemvix'
export PEMVIX_TEST_SERVER_TLS='service=pemvix_tls'
EOF
    # Both ways in work, with the password from .pgpass, and the TLS one is encrypted.
    local ssl
    ssl="$(PGSERVICEFILE="$dir/pg_service.conf" PGPASSFILE="$dir/.pgpass" "$bin/psql" -X -At \
        "service=pemvix_tls" -c "SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()")"
    [ "$ssl" = "t" ] || { echo "pg-cluster: the TLS connection is not encrypted" >&2; return 1; }
    PGSERVICEFILE="$dir/pg_service.conf" PGPASSFILE="$dir/.pgpass" "$bin/psql" -X -At "service=pemvix" \
        -c "SELECT 1" >/dev/null
    echo "PostgreSQL $("$bin/postgres" --version | awk '{print $3}') cluster in $dir (port $port)"
}

stop() {
    local dir="${1:?usage: pg-cluster.sh stop DIR}"
    [ -d "$dir" ] || return 0
    local bin
    bin="$(pg_bindir)"
    if [ -f "$dir/server/data/postmaster.pid" ]; then
        as_server "$bin/pg_ctl" -D "$dir/server/data" -m immediate -w -t 60 stop >/dev/null || true
    fi
    rm -rf "$dir"
}

case "${1:-}" in
start) shift && start "$@" ;;
stop) shift && stop "$@" ;;
*)
    echo "usage: $0 start [--durable] DIR | stop DIR" >&2
    exit 2
    ;;
esac
