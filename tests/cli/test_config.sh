#!/usr/bin/env bash
# ferix-cli config / departments / employees in a fresh program folder.
# Usage: test_config.sh /path/to/ferix-cli /path/to/source
set -uo pipefail
CLI=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# run EXPECTED_EXIT ARGS...: runs as admin, keeps stdout in $out and stderr in $err.
run() {
    local expected=$1
    shift
    out=$("$CLI" --user admin --password '' "$@" 2>"$work/err")
    local rc=$?
    err=$(cat "$work/err")
    [ "$rc" -eq "$expected" ] || fail "ferix-cli $* exited $rc, expected $expected (stderr: $err)"
}

expect_out() {
    [ "$out" == "$1" ] || fail "output was <$out>, expected <$1>"
}

expect_err() {
    [[ "$err" == *"$1"* ]] || fail "stderr <$err> lacks <$1>"
}

tab=$'\t'
crlf=$'\r\n'

# No program folder yet: the data cannot be opened.
run 4 config list area
"$CLI" init || fail "init"

# The installed lists are empty.
for key in area bank unit warehouse income spending; do
    run 0 config list "$key"
    expect_out "name${tab}note"
done

# Adding to the installed empty <item key="area"/> splits it, byte for byte.
run 0 config add area 华东 --note 沿海
expected='<?xml version="1.0" encoding="UTF-8"?>'"$crlf"'<config>'"$crlf"'<item key="area">'"$crlf"
expected+='<area name="华东" note="沿海"/>'"$crlf"'</item>'"$crlf"'<item key="bank"/>'"$crlf"
[[ "$(cat Data/ferix_config.data)" == "$expected"* ]] || fail "file after the first area: $(cat Data/ferix_config.data)"
run 0 config add area 华南
run 0 config list area
expect_out "name${tab}note"$'\n'"华东${tab}沿海"$'\n'"华南${tab}"

# The windows' checks with their messages.
run 1 config add area ''
expect_err "地区名称不能为空！"
run 1 config add warehouse ''
expect_err "仓库名称不能为空！"
run 0 config add income '' --note 'empty names are fine here'
run 0 config add unit ' '
run 0 config list unit
expect_out "name${tab}note"$'\n'" ${tab}"

# Wrong usage.
run 2 config add Area x
run 2 config add employees x
run 2 config list
run 2 config add area x y
run 2 config add area x --nte typo
run 2 departments
run 2 employees add --name x

# Quotes, ampersands and separators are stored escaped and come back as typed.
tricky='A&B "C", 100%_'
run 0 config add bank "$tricky" --note "x'y"
grep -q 'name="A&amp;B &quot;C&quot;, 100%_" note="x&apos;y"' Data/ferix_config.data || fail "escaping in the file"
run 0 --format csv config list bank
out=${out//$'\r'/} # RFC 4180 lines end in CR LF
[ "$out" == 'name,note'$'\n''"A&B ""C"", 100%_",x'"'"'y' ] || fail "csv: <$out>"
run 0 --format json config list bank
[[ "$out" == *'"name": "A&B \"C\", 100%_"'* || "$out" == *'"name":"A&B \"C\", 100%_"'* ]] || fail "json: <$out>"

# Removing takes every entry of that name.
run 0 config add area 华东
run 0 config remove area 华东
run 0 config list area
expect_out "name${tab}note"$'\n'"华南${tab}"
run 0 config remove area 'no such area'

# Departments and employees.
run 1 departments add ''
expect_err "部门名称不能为空！"
run 0 departments add 采购部 --note 一楼
run 0 departments add 销售部
run 0 departments list
expect_out "name${tab}note"$'\n'"采购部${tab}一楼"$'\n'"销售部${tab}"
run 0 employees add --department 采购部 --name 张三 --tel 138 --addr 北京 --birthday 88-08-08 --note 组长
run 0 employees add --department 销售部 --name 李四
run 0 employees add --department 采购部 --name 王五
run 1 employees add --department 采购部 --name ''
expect_err "员工姓名或部门不能为空！"
run 1 employees add --department '' --name 赵六
expect_err "员工姓名或部门不能为空！"
run 1 employees add --department 财务部 --name 赵六
expect_err "财务部"
run 0 employees list
expect_out "department${tab}name${tab}tel${tab}addr${tab}birthday${tab}note"$'\n'"采购部${tab}张三${tab}138${tab}北京${tab}88-08-08${tab}组长"$'\n'"采购部${tab}王五${tab}${tab}${tab}${tab}"$'\n'"销售部${tab}李四${tab}${tab}${tab}${tab}"
run 0 employees list --department 销售部
expect_out "department${tab}name${tab}tel${tab}addr${tab}birthday${tab}note"$'\n'"销售部${tab}李四${tab}${tab}${tab}${tab}"

run 0 employees add --department 销售部 --name 王五
run 0 employees remove 王五
run 0 employees list
expect_out "department${tab}name${tab}tel${tab}addr${tab}birthday${tab}note"$'\n'"采购部${tab}张三${tab}138${tab}北京${tab}88-08-08${tab}组长"$'\n'"销售部${tab}李四${tab}${tab}${tab}${tab}"
run 0 departments remove 采购部
run 0 employees list
expect_out "department${tab}name${tab}tel${tab}addr${tab}birthday${tab}note"$'\n'"销售部${tab}李四${tab}${tab}${tab}${tab}"

# A GB2312 file: characters it lacks are written as references and read back as themselves;
# a malformed pair far from the edit stays as it was.
gbhead='<?xml version="1.0" encoding="GB2312"?>'"$crlf"'<!-- '$'\x81\x7F'' -->'"$crlf"'<config>'"$crlf"
gbhead+='<item key="unit">'"$crlf"'<unit name="'$'\xB8\xF6''" note=""/>'"$crlf"
gbtail='</item>'"$crlf"'</config>'"$crlf"
cp Data/ferix_config.data "$work/utf8.data"
printf '%s' "$gbhead$gbtail" >Data/ferix_config.data
run 0 config add unit 𠮷 --note 😀
printf '%s' "$gbhead"'<unit name="&#x20BB7;" note="&#x1F600;"/>'"$crlf$gbtail" >"$work/expected.data"
cmp -s Data/ferix_config.data "$work/expected.data" || fail "GB2312 file after the add: $(od -c Data/ferix_config.data | head -20)"
run 0 config list unit
expect_out "name${tab}note"$'\n'"个${tab}"$'\n'"𠮷${tab}😀"

# Text that is not UTF-8 (GBK bytes from a GBK terminal) has no faithful form: refused, exit 1,
# the file as it was.
run 1 config add unit $'\xCF\xE4'
expect_err "配置文件 Data/ferix_config.data 没有修改：要写入的文字不是有效的 UTF-8 文本。"
cmp -s Data/ferix_config.data "$work/expected.data" || fail "a refused add changed the file"
cp "$work/utf8.data" Data/ferix_config.data
run 1 departments add $'\xB2\xC9\xB9\xBA'
expect_err "要写入的文字不是有效的 UTF-8 文本"
cmp -s Data/ferix_config.data "$work/utf8.data" || fail "a refused department changed the file"

# A wrong password is refused before anything is read.
"$CLI" --user admin --password wrong config list area >/dev/null 2>&1
[ $? -eq 3 ] || fail "wrong password must exit 3"

# Without the configuration file the lists cannot be opened.
mv Data/ferix_config.data Data/saved.data
run 4 departments list
expect_err "ferix_config.data"
mv Data/saved.data Data/ferix_config.data

# The file is looked for below the current directory.
mkdir sub
(cd sub && "$CLI" --user admin --password '' config list area >/dev/null 2>&1)
[ $? -eq 4 ] || fail "a folder without a program folder must exit 4"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all config checks passed"
