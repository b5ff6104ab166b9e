# Shared by the ferix-cli test scripts: $CLI is the program, every test runs in a fresh folder.
set -u
CLI=$1
SRC=$2
FAILS=0
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export FERIX_FAST_HASH=1

fresh() { # fresh NAME: a new program folder made with init, made current
    mkdir -p "$WORK/$1" && cd "$WORK/$1" && "$CLI" init || { echo "init failed"; exit 1; }
}
server_init() { # server_init CONNINFO: init --server - here, CONNINFO also the work string; admin's
    # password (never empty on a server) is then set back to empty for the scripts' logins
    local rc
    printf '%s\nadmin-pw\n%s\n' "$1" "$1" | "$CLI" init --server - && rc=0 || rc=$?
    [ "$rc" = 0 ] && { printf 'admin-pw\n\n' | "$CLI" --user admin --password-stdin \
        users passwd admin --new-password-stdin >/dev/null 2>&1 || true; }
    return "$rc"
}
as() { # as USER ARGS...: runs ferix-cli as USER (empty password); sets OUT, ERR, RC
    local user=$1; shift
    OUT=$("$CLI" --user "$user" --password '' "$@" 2>"$WORK/err") && RC=0 || RC=$?
    ERR=$(cat "$WORK/err")
}
run() { # run ARGS...: runs ferix-cli as admin; sets OUT, ERR, RC
    as admin "$@"
}
check() { # check DESCRIPTION CONDITION...
    local what=$1; shift
    if "$@"; then :; else echo "FAIL: $what (rc=$RC)"; echo "  out: $OUT"; echo "  err: $ERR"; FAILS=$((FAILS + 1)); fi
}
finish() { [ "$FAILS" -eq 0 ] && echo "all passed" || { echo "$FAILS failed"; exit 1; }; }
shop() { # shop: the warehouses and business units the scripts' bills name, in the lists
    local w
    for w in 一号仓库 二号仓库 w; do "$CLI" --user admin --password '' config add warehouse "$w" || exit 1; done
    printf 'CustomerCode,CustomerName,CustomerType\nKH0,华东电子,客户\nKH1,c,客户\nKH2,华东,客户\nKH3,x,客户\n' >"$WORK/shop_units.csv"
    "$CLI" --user admin --password '' customers import "$WORK/shop_units.csv" || exit 1
}
