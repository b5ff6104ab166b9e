#!/usr/bin/env bash
# A Data folder that cannot be written to: every change is refused with a message, reading
# goes on, and no file changes. Root writes anywhere, so as root the commands run as the user
# nobody (setpriv); without that the test is skipped.
source "$(dirname "$0")/lib.sh" "$@"

as_user=()
if [ "$(id -u)" = 0 ]; then
    command -v setpriv >/dev/null || { echo "SKIP: running as root and setpriv is missing"; exit 77; }
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
fresh ro
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,2\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
run config add unit 个
check "set-up" [ "$RC" = 0 ]
printf '{"customer": "c", "department": "d", "warehouse": "w", "employee": "e", "account": "a", "lines": [{"code": "G1", "quantity": "2"}]}' >"$WORK/bill.json"
if [ ${#as_user[@]} -gt 0 ]; then
    chmod 755 "$WORK"
    chown -R nobody:nogroup "$WORK/ro"
    chmod a+r "$WORK/bill.json" "$WORK/goods.csv"
    "${as_user[@]}" test -r Data/main_data.tdb || { echo "SKIP: the user nobody cannot reach $WORK"; exit 77; }
fi
chmod a-w Data
sums=$(md5sum Data/*)

runas() { # as run, under the other user when root
    OUT=$("${as_user[@]}" "$CLI" --user admin --password '' "$@" 2>"$WORK/err") && RC=0 || RC=$?
    ERR=$(cat "$WORK/err")
}
runas stock
check "stock readable" [ "$RC" = 0 ]
runas goods list
check "goods readable" [ "$RC" = 0 ]
runas post purchase "$WORK/bill.json"
check "post refused" [ "$RC" = 1 ]
check "post says the folder is read-only" grep -q "只读" <<<"$ERR"
runas classes add 新类
check "class add refused" [ "$RC" = 1 ]
check "class add says why" grep -q "readonly" <<<"$ERR"
runas config add unit 箱
check "list change refused" [ "$RC" = 4 ]
check "list change says the file cannot be written" grep -q "无法修改配置文件" <<<"$ERR"
runas demo-data --goods 5 --bills 0
check "sample data refused" [ "$RC" != 0 ]
check "nothing in Data changed" [ "$(md5sum Data/*)" = "$sums" ]
check "no stray files in Data (the write lock aside)" [ "$(ls -A Data | grep -vx .write.lock | wc -l)" = 3 ]
chmod u+w Data
finish
