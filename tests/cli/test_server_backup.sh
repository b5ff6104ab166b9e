#!/usr/bin/env bash
# Backup and restore of a folder whose data is on a PostgreSQL server: bills are posted, backed
# up, more work follows, and the restore brings every listing of the main data back byte for
# byte while the operators, settings, log and configuration keep the later work; a file that is
# no archive of this program, and an archive cut short, change nothing; the password of the
# connection string shows nowhere. Runs against the server FERIX_TEST_PG names.
source "$(dirname "$0")/lib.sh" "$@"
[ -n "${FERIX_TEST_PG:-}" ] || { echo "SKIP: FERIX_TEST_PG is not set: no PostgreSQL server was started"; exit 77; }
command -v psql >/dev/null || { echo "SKIP: the psql program is not installed"; exit 77; }

# Every message of every command is kept, to look for the password in.
eval "plain_$(declare -f run)"
run() { plain_run "$@"; printf '%s\n' "$ERR" >>"$WORK/messages"; }

schema="ferix_cli_bk_$$"
secret="Cli-Secret-9"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$FERIX_TEST_PG options='-c search_path=$schema'" -c "$1"; }
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA $schema" || { echo "cannot make a schema"; exit 1; }
trap 'psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" -c "DROP SCHEMA $schema CASCADE" >/dev/null; rm -rf "$WORK"' EXIT

mkdir -p "$WORK/shop" && cd "$WORK/shop"
# The test server trusts its users: the password is carried along and never checked.
server_init "$FERIX_TEST_PG password=$secret options='-c search_path=$schema'" ||
    { echo "init --server failed"; exit 1; }
shop >/dev/null

run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,1.5\r\nG2,"Ink ""blue""",电子,瓶,3\r\nG3,Pad,电子,本,2\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
header='"customer": "华东电子", "department": "销售部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "date": "2026-12-01"'
post() { # post KIND NUMBER LINES
    printf '{"number": "%s", %s, "lines": [%s]}' "$2" "$header" "$3" >"$WORK/$2.json"
    run post "$1" "$WORK/$2.json"
    check "$2 posted" [ "$RC" = 0 ]
}
post purchase JH-1 '{"code": "G1", "quantity": "100", "price": "1.5"}, {"code": "G2", "quantity": "40", "price": "3"}'
post sale XS-1 '{"code": "G1", "quantity": "30", "price": "2.25"}'

listings() { # every listing the main data shows, one after the other
    local what
    for what in "goods list" "stock" "bills purchase --from 2026-01-01 --to 2026-12-31" \
        "bills sale --from 2026-01-01 --to 2026-12-31" "bill sale XS-1" "balances" \
        "report sale-goods --from 2026-01-01 --to 2026-12-31"; do
        echo "== $what"
        # shellcheck disable=SC2086
        "$CLI" --user admin --password '' $what 2>&1
    done
}
listings >"$WORK/at-backup"

run backup
NAME=$OUT
check "backup prints its file name" [ "$RC" = 0 -a -s "Backup/$NAME" ]
check "backup message" [ "$ERR" = "数据备份成功！" ]
check "backup log entry" [ "$(sql "select Event from Log order by id desc limit 1")" = "数据备份成功！数据文件(/Backup/$NAME)" ]

# Later work: another sale, a purchase, a goods item deleted; an operator added, another's
# password changed, the settings changed (logged), a configuration entry made.
post sale XS-2 '{"code": "G1", "quantity": "5", "price": "2.5"}'
post purchase JH-2 '{"code": "G2", "quantity": "1", "price": "3.5"}'
run goods delete G3
check "G3 deleted" [ "$RC" = 0 ]
run users add clerk --new-password pw
run users add boss --new-password old
run users passwd boss --new-password new
check "boss's password changed" [ "$RC" = 0 ]
run settings set --name "东方商行"
check "settings changed" [ "$RC" = 0 ]
sql "insert into ferix_config values ('lists', 'A''B')"
others() { # the operators, settings, log events and configuration rows
    echo "== users"; "$CLI" --user admin --password '' users list 2>&1
    echo "== settings"; "$CLI" --user admin --password '' settings 2>&1
    echo "== log"; sql "select Event, \"User\" from Log order by id"
    echo "== config"; sql "select name, encode(content, 'escape') from ferix_config"
}
others >"$WORK/others-later"
check "the later operators, settings and configuration show" \
    grep -q "clerk.*东方商行.*lists|A'B" <(tr '\n' ' ' <"$WORK/others-later"; echo)
listings >"$WORK/later"
OUT=$(diff "$WORK/at-backup" "$WORK/later" | head -3) ERR=
differ() { ! cmp -s "$1" "$2"; }
check "the later work shows" differ "$WORK/at-backup" "$WORK/later"

# A backup of a folder with data files, and a file that is nothing at all, are refused.
mkdir -p "$WORK/files" && (cd "$WORK/files" && "$CLI" init >/dev/null &&
    "$CLI" --user admin --password '' backup >"$WORK/file-name" 2>/dev/null)
cp "$WORK/files/Backup/$(cat "$WORK/file-name")" Backup/file.bak
echo "not a backup" >Backup/junk.bak
for f in file.bak junk.bak; do
    run restore "$f"
    check "$f refused" [ "$RC" = 1 -a "$ERR" = "$(printf '不能恢复“%s”：它不是本程序数据库服务器数据的备份。\n现有数据没有改变。' "$f")" ]
done
head -c $(($(stat -c %s "Backup/$NAME") - 100)) "Backup/$NAME" >Backup/cut.bak
run restore cut.bak
check "an archive cut short fails" [ "$RC" = 1 ]
check "its failure says nothing changed" [ "$(tail -1 <<<"$ERR")" = "现有数据没有改变。" ]
listings >"$WORK/after-failures"
OUT=$(diff "$WORK/later" "$WORK/after-failures" | head -5) ERR=
check "refusals and the failure changed nothing" cmp -s "$WORK/later" "$WORK/after-failures"

run restore "Backup/$NAME"
check "restore" [ "$RC" = 0 -a "$ERR" = "数据恢复成功！" ]
listings >"$WORK/restored"
OUT=$(diff "$WORK/at-backup" "$WORK/restored" | head -5) ERR=
check "every listing is as it was at the backup" cmp -s "$WORK/at-backup" "$WORK/restored"
others >"$WORK/others-restored"
{ sed '/^== config$/,$d' "$WORK/others-later"; echo "数据恢复成功！数据文件($NAME)|admin"
  sed -n '/^== config$/,$p' "$WORK/others-later"; } >"$WORK/others-expected"
OUT=$(diff "$WORK/others-expected" "$WORK/others-restored" | head -5) ERR=
check "operators, settings, log and configuration keep the later work" \
    cmp -s "$WORK/others-expected" "$WORK/others-restored"
signs_in() { "$CLI" --user "$1" --password "$2" users list >/dev/null 2>&1; }
check "boss signs in with the password changed after the backup" signs_in boss new
check "restore log entry" [ "$(sql "select Event from Log order by id desc limit 1")" = "数据恢复成功！数据文件($NAME)" ]
SAFETY=$(ls Backup | grep '恢复前自动备份' | head -1)
check "the replaced data was kept first" [ -n "$SAFETY" ]
run restore "$SAFETY"
listings >"$WORK/back-again"
OUT=$(diff "$WORK/later" "$WORK/back-again" | head -5) ERR=
check "the kept data restores the later work" cmp -s "$WORK/later" "$WORK/back-again"

RC=- OUT= ERR=$(grep -rl "$secret" "$WORK/messages" Backup Temp sql.txt 2>/dev/null)
check "the password is in no backup, temporary file or message" [ -z "$ERR" ]
check "nor in the log" [ "$(sql "select count(*) from Log where Event like '%$secret%'")" = 0 ]
check "no passfile left behind" [ -z "$(ls -A Temp 2>/dev/null)" ]
finish
