# Operators, backup and restore, company settings and log clearing from the shell.
. "$(dirname "$0")/lib.sh"

goods() { sqlite3 Data/main_data.tdb "select group_concat(Code, ',') from ferix_product"; }

fresh users
run users list
check "operator listing header" [ "$(echo "$OUT" | head -1)" = "$(printf 'UserName\tCreateTime\tLastLogin\tNote')" ]
check "operator listing, never the password" sh -c "echo '$OUT' | tail -1 | grep -Eq '^admin	[0-9]{2}-[0-9]{2}-[0-9]{2}		$' && ! echo '$OUT' | grep -q argon"
run users add "O'Neil" --new-password 'p%_' --note '出纳'
check "add an operator" [ "$RC" -eq 0 -a "$ERR" = "添加管理员成功！" ]
run users add "o'neil"
check "a name taken in other letter case is refused" [ "$RC" -eq 1 -a "$ERR" = "添加管理员失败！" ]
run users add ""
check "an empty name is refused" [ "$RC" -eq 1 -a "$ERR" = "账号不可以为空，请填写。" ]
run users add bob --pasword x
check "a mistyped option is wrong usage, nothing added" [ "$RC" -eq 2 ]
run users passwd "O'Neil"
check "passwd needs --new-password" [ "$RC" -eq 2 ]
OUT=$("$CLI" --user "o'neil" --password 'p%_' users list 2>/dev/null) && RC=0 || RC=$?
check "the new operator logs in" [ "$RC" -eq 0 ]

run users passwd "O'NEIL" --new-password '新密码'
check "change a password" [ "$RC" -eq 0 -a "$ERR" = "修改密码成功！" ]
check "the note is kept when none is given" [ "$(sqlite3 Data/other_data.tdb "select Note from Manage where UserName = 'O''Neil'")" = "出纳" ]
"$CLI" --user "O'Neil" --password 'p%_' users list >/dev/null 2>&1 && RC=0 || RC=$?
check "the old password no longer works" [ "$RC" -eq 3 ]
"$CLI" --user "O'Neil" --password '新密码' users list >/dev/null 2>&1 && RC=0 || RC=$?
check "the new password works" [ "$RC" -eq 0 ]
run users passwd nobody --new-password x
check "passwd of an unknown operator is refused" [ "$RC" -eq 1 -a "$ERR" = "管理员“nobody”不存在！密码没有修改。" ]

run users delete "O'Ne"
check "delete matches whole names only" [ "$RC" -eq 1 -a "$ERR" = "管理员“O'Ne”不存在！" ]
run users delete "o'neil"
check "delete an operator" [ "$RC" -eq 0 ]
run users delete admin
check "the last operator is kept" [ "$RC" -eq 1 -a "$ERR" = "不能删除最后一个管理员，否则将无法再登录程序！" ]
check "admin still there" [ "$(sqlite3 Data/other_data.tdb 'select count(*) from Manage')" = "1" ]
run users frob x
check "unknown users subcommand is wrong usage" [ "$RC" -eq 2 ]

fresh backup
sqlite3 Data/main_data.tdb "insert into ferix_product(Code) values('G1')"
run backup
NAME=$OUT
check "backup prints its file name" [ "$RC" -eq 0 -a -f "Backup/$NAME" ]
check "backup name is the time stamp" sh -c "echo '$NAME' | grep -Eq '^[0-9]{2}-[0-9]{2}-[0-9]{2}@[0-9]{2}-[0-9]{2}-[0-9]{2}\.bak$'"
check "backup message" [ "$ERR" = "数据备份成功！" ]
check "backup log entry" [ "$(sqlite3 Data/other_data.tdb 'select Event from Log order by id desc limit 1')" = "数据备份成功！数据文件(/Backup/$NAME)" ]
check "the backup holds the goods" [ "$(sqlite3 "Backup/$NAME" 'select Code from ferix_product')" = "G1" ]
rm -rf Backup
run backup
check "a missing Backup folder is made" [ "$RC" -eq 0 -a -f "Backup/$OUT" ]
NAME=$OUT

sqlite3 Data/main_data.tdb "insert into ferix_product(Code) values('G2')"
echo "not a database" > Backup/junk.bak
BEFORE=$(sha256sum Data/main_data.tdb)
run restore junk.bak
check "a junk file is refused with exit 1" [ "$RC" -eq 1 ]
check "junk refusal message" [ "$ERR" = "$(printf '不能恢复“junk.bak”：它不是数据库文件。\n现有数据没有改变。')" ]
check "data unchanged after refusal" [ "$(sha256sum Data/main_data.tdb)" = "$BEFORE" ]
run restore missing.bak
check "a missing file is refused" [ "$RC" -eq 1 ]
run restore ../Data/other_data.tdb
check "only files in Backup are restored" [ "$RC" -eq 1 -a "$(sha256sum Data/main_data.tdb)" = "$BEFORE" ]
run restore
check "restore needs a file" [ "$RC" -eq 2 ]

run restore "Backup/$NAME"
check "restore a backup" [ "$RC" -eq 0 -a "$ERR" = "数据恢复成功！" ]
check "restored data" [ "$(goods)" = "G1" ]
check "restore log entry" [ "$(sqlite3 Data/other_data.tdb 'select Event from Log order by id desc limit 1')" = "数据恢复成功！数据文件($NAME)" ]
SAFETY=$(ls Backup | grep '恢复前自动备份')
check "the replaced data was kept" [ -n "$SAFETY" ]
check "the kept copy holds the replaced data" [ "$(sqlite3 "Backup/$SAFETY" "select group_concat(Code, ',') from ferix_product")" = "G1,G2" ]

fresh settings
run settings set --name "华东'商贸%" --tel 010-1 --costing 指定批次法
check "settings set" [ "$RC" -eq 0 ]
run settings set --zip 200000
run settings
check "settings keep what was not given" [ "$OUT" = "$(printf "CompanyName\tCompanyTel\tCompanyFax\tCompanyZip\tChengben\tCompanyAddr\n华东'商贸%%\t010-1\t\t200000\t指定批次法\t")" ]
check "settings log entries" [ "$(sqlite3 Data/other_data.tdb "select count(*) from Log where Event = '修改公司基本信息'")" = "2" ]
run settings set --costing 先进先出
check "an unknown costing method is refused" [ "$RC" -eq 1 ]
check "costing refusal message" [ "$ERR" = "成本核算方法只能是：加权平均法、指定批次法" ]
run settings set
check "settings set without a change is wrong usage" [ "$RC" -eq 2 ]

run log --clear
check "log --clear" [ "$RC" -eq 0 ]
run log
check "after clearing the log holds who cleared it" \
    [ "$(cut -f1,2 <<<"$OUT")" = "$(printf 'Event\tUser\n清除操作日志\tadmin')" ]
finish
