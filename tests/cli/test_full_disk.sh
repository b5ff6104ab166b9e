#!/usr/bin/env bash
# A full disk: the program folder on a small tmpfs filled to the last byte. Posting, a list
# change, an import and a backup are refused with a message, no file changes, and once space
# is freed the same bill posts. Needs to mount a tmpfs (root, or a machine that allows it);
# skipped otherwise.
source "$(dirname "$0")/lib.sh" "$@"

mnt="$WORK/disk"
mkdir -p "$mnt"
if ! mount -t tmpfs -o size=1m tmpfs "$mnt" 2>/dev/null; then
    echo "SKIP: cannot mount a tmpfs here (needs root or CAP_SYS_ADMIN)"
    exit 77
fi
trap 'cd /; umount "$mnt"; rm -rf "$WORK"' EXIT
cd "$mnt" && "$CLI" init >/dev/null || { echo "init failed"; exit 1; }
shop >/dev/null
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,2\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "set-up" [ "$RC" = 0 ]
{
    printf '{"customer": "c", "department": "d", "warehouse": "w", "employee": "e", "account": "a", "lines": ['
    for i in $(seq 1 200); do printf '{"code": "G1", "quantity": "1", "note": "%0300d"},' $i; done
    printf '{"code": "G1", "quantity": "1"}]}'
} >"$WORK/bill.json"
printf 'Code,ProductName,ClassName\r\nG2,Ink,电子\r\n' >"$WORK/more.csv"

dd if=/dev/zero of=filler bs=4k 2>/dev/null
sums=$(md5sum Data/*)
run post purchase "$WORK/bill.json"
check "post refused" [ "$RC" = 1 ]
check "post says the disk is full" grep -q "磁盘已满" <<<"$ERR"
run goods import "$WORK/more.csv"
check "import refused" [ "$RC" = 1 ]
run config add unit 箱
check "list change refused" [ "$RC" = 4 ]
run backup
check "backup refused" [ "$RC" = 1 ]
check "no half backup left" [ -z "$(ls Backup)" ]
check "nothing in Data changed" [ "$(md5sum Data/*)" = "$sums" ]
check "no stray files in Data (the write lock aside)" [ "$(ls -A Data | grep -vx .write.lock | wc -l)" = 3 ]
command -v sqlite3 >/dev/null &&
    check "the data file is sound" [ "$(sqlite3 Data/main_data.tdb "PRAGMA integrity_check" 2>&1)" = ok ]

rm filler
run post purchase "$WORK/bill.json"
check "with space again the bill posts" [ "$RC" = 0 ]
run stock
check "its stock is there" grep -q "G1	Pen	201" <<<"$OUT"
finish
