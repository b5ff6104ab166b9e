# tests/pg/start_cluster.sh, sourced: ferix_start_cluster starts a private PostgreSQL cluster for
# the tests (initdb into a temporary folder, its Unix socket in that folder, no TCP), creates the
# database ferix_test and exports FERIX_TEST_PG, its libpq connection string; ferix_stop_cluster
# stops it and removes the folder. Without the server programs nothing is started and the server
# tests skip themselves, saying so. The server refuses to run as root: as root, the cluster runs
# as the user nobody.
ferix_start_cluster() {
    local bindir=""
    for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
        [ -x "$d/initdb" ] && { bindir=$d; break; }
    done
    if [ -z "$bindir" ] && command -v initdb >/dev/null && command -v pg_ctl >/dev/null; then
        bindir=$(dirname "$(command -v initdb)")
    fi
    if [ -z "$bindir" ]; then
        echo "start_cluster: no initdb/pg_ctl found; the server tests will be skipped" >&2
        return 0
    fi
    FERIX_PG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/ferix-pg-XXXXXX")
    FERIX_PG_BIN=$bindir
    FERIX_PG_AS=()
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody "$FERIX_PG_DIR"
        FERIX_PG_AS=(runuser -u nobody --)
    fi
    if ! "${FERIX_PG_AS[@]}" "$bindir/initdb" -D "$FERIX_PG_DIR/data" -U ferix --auth=trust \
        --encoding=UTF8 --locale=C -N >"$FERIX_PG_DIR/initdb.log" 2>&1; then
        cat "$FERIX_PG_DIR/initdb.log" >&2
        echo "start_cluster: initdb failed" >&2
        return 1
    fi
    # fsync off: a test cluster that is thrown away needs no durability, only correctness.
    if ! "${FERIX_PG_AS[@]}" "$bindir/pg_ctl" -D "$FERIX_PG_DIR/data" -l "$FERIX_PG_DIR/server.log" \
        -w -s -o "-k $FERIX_PG_DIR -c listen_addresses= -c fsync=off" start; then
        cat "$FERIX_PG_DIR/server.log" >&2
        echo "start_cluster: the server did not start" >&2
        return 1
    fi
    # A database that sorts texts as people do (ICU, en-US), as servers are usually set up: the
    # program must not rely on byte order there. A server built without ICU gets one in C order.
    local create="CREATE DATABASE ferix_test TEMPLATE template0 ENCODING 'UTF8'"
    "$bindir/psql" -X -q -h "$FERIX_PG_DIR" -U ferix -d postgres \
        -c "$create LOCALE 'C.UTF-8' LOCALE_PROVIDER icu ICU_LOCALE 'en-US'" 2>/dev/null ||
        "$bindir/psql" -X -q -h "$FERIX_PG_DIR" -U ferix -d postgres -c "$create LOCALE 'C'" ||
        return 1
    export FERIX_TEST_PG="host=$FERIX_PG_DIR user=ferix dbname=ferix_test"
    echo "start_cluster: PostgreSQL ($("$bindir/postgres" --version)) at $FERIX_PG_DIR" >&2
}

ferix_stop_cluster() {
    [ -n "${FERIX_PG_DIR:-}" ] || return 0
    "${FERIX_PG_AS[@]}" "$FERIX_PG_BIN/pg_ctl" -D "$FERIX_PG_DIR/data" -m fast -w -s stop || true
    rm -rf "$FERIX_PG_DIR"
    unset FERIX_PG_DIR FERIX_TEST_PG
}
