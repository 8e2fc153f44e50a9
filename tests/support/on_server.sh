#!/bin/sh
# Runs a test suite on the PostgreSQL server: on_server.sh [--tls] SUITE [ARGS...]
# PEMVIX_TEST_SERVER is the connection (libpq conninfo) of a maintenance database on which the
# test role may create databases; each test environment creates a fresh database there. With
# --tls the suite connects over TLS instead (PEMVIX_TEST_SERVER_TLS). Without a server the
# suite is reported Skipped (exit code 77), unless PEMVIX_REQUIRE_SERVER says one must be there.
tls=""
if [ "$1" = "--tls" ]; then
    tls=1
    shift
fi
if [ -z "${PEMVIX_TEST_SERVER:-}" ]; then
    if [ -n "${PEMVIX_REQUIRE_SERVER:-}" ]; then
        echo "FAIL: PEMVIX_REQUIRE_SERVER is set but PEMVIX_TEST_SERVER names no server" >&2
        exit 1
    fi
    echo "SKIP: no PostgreSQL server (PEMVIX_TEST_SERVER is not set; ./test.sh starts one)"
    exit 77
fi
if [ -n "$tls" ]; then
    if [ -z "${PEMVIX_TEST_SERVER_TLS:-}" ]; then
        echo "FAIL: --tls needs PEMVIX_TEST_SERVER_TLS, the server's TLS connection" >&2
        exit 1
    fi
    PEMVIX_TEST_SERVER="$PEMVIX_TEST_SERVER_TLS"
    export PEMVIX_TEST_SERVER
fi
exec "$@"
