#!/usr/bin/env bash
# tests/package/test_package.sh DEB SRC: checks a built Debian package: its metadata, its files
# and that the programs it holds work from where it puts them.
set -u
DEB=$1
SRC=$2
FAILS=0
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

check() { # check DESCRIPTION CONDITION...
    local what=$1; shift
    if "$@"; then :; else echo "FAIL: $what"; FAILS=$((FAILS + 1)); fi
}
field() { dpkg-deb -f "$DEB" "$1"; }
has_dep() { # has_dep NAME: NAME is one of the Depends entries (with or without a version)
    field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qx "$1"
}

# ---- metadata
version=$(sed -n 's/^project(ferix_razaz VERSION \([0-9.]*\).*/\1/p' "$SRC/CMakeLists.txt")
check "package name" [ "$(field Package)" = ferix-razaz ]
check "version $version" [ "$(field Version)" = "$version" ]
check "architecture" [ "$(field Architecture)" = "$(dpkg --print-architecture)" ]
check "section" [ "$(field Section)" = misc ]
check "maintainer" grep -q '<.*@.*>' <<<"$(field Maintainer)"
check "description" grep -q 'purchase, sales and stock' <<<"$(field Description)"
# The long description names what the program does today.
for what in "transfer" "stock counts" "red-letter" "moving-average cost" "sales profit" \
    "owes" "statements" "PostgreSQL server"; do
    check "description names $what" grep -q "$what" <<<"$(field Description)"
done
# Computed by dpkg-shlibdeps: the libraries the programs are linked with.
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6charts6 libsqlite3-0 libpq5 libc6; do
    check "Depends: $lib" has_dep "$lib"
done
# ICU (encodings, the pinyin initials of 助记码): libicu72 on Debian 12.
check "Depends: libicu" grep -Eq '(^|, )libicu[0-9]+( |,|$)' <<<"$(field Depends)"
# xlsx exports and barcode labels: libxlsxwriter4 and libzint2.11 on Debian 12.
check "Depends: libxlsxwriter" grep -Eq '(^|, )libxlsxwriter[0-9]+( |,|$)' <<<"$(field Depends)"
check "Depends: libzint" grep -Eq '(^|, )libzint[0-9.]+( |,|$)' <<<"$(field Depends)"
check "Depends: a versioned libsqlite3-0" grep -Eq 'libsqlite3-0 \(>= [0-9]' <<<"$(field Depends)"
# Loaded, not linked: the SVG icon engine and Qt's Chinese texts.
check "Depends: libqt6svg6" has_dep libqt6svg6
check "Depends: qt6-translations-l10n" has_dep qt6-translations-l10n
# The server's client programs back up and restore a folder whose data is on a server.
check "Recommends: postgresql-client" grep -Eq '(^|, )postgresql-client( |,|$)' <<<"$(field Recommends)"

# ---- contents: exactly these files, the programs executable
dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ { print $1, $6 }' | sort >"$WORK/files"
cat >"$WORK/expected" <<'EOF'
-rw-r--r-- ./usr/share/applications/ferix_razaz.desktop
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_gain.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_loss.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_opening-balance.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_opening.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_payment.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_price.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_purchase-order.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_purchase-return.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_purchase.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_receipt.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_sale-order.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_sale-return.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_sale.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_bill_transfer.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_duizhang_view.html
-rw-r--r-- ./usr/share/ferix_razaz/Templates/temp_kucun_view.html
-rw-r--r-- ./usr/share/ferix_razaz/ferix_config.data
-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/ferix_razaz.svg
-rwxr-xr-x ./usr/bin/ferix-cli
-rwxr-xr-x ./usr/bin/ferix_razaz
-rwxr-xr-x ./usr/libexec/ferix_razaz/launch
EOF
sort -o "$WORK/expected" "$WORK/expected"
check "file list" diff "$WORK/expected" "$WORK/files"

root=$WORK/root
dpkg-deb -x "$DEB" "$root"
for prog in ferix_razaz ferix-cli; do
    check "$prog is a stripped executable" grep -q 'ELF.*executable.*, stripped' \
        <<<"$(file -L "$root/usr/bin/$prog")"
    check "$prog finds all its libraries" bash -c "! ldd '$root/usr/bin/$prog' | grep -q 'not found'"
done
check "icon is an SVG" grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/ferix_razaz.svg"

# ---- desktop entry
entry=$root/usr/share/applications/ferix_razaz.desktop
if command -v desktop-file-validate >/dev/null; then
    check "desktop-file-validate" desktop-file-validate "$entry"
else
    echo "desktop-file-validate not installed: entry not validated"
fi
key() { sed -n "s/^$1=//p" "$entry"; }
check "entry Name" [ "$(key Name)" = ferix_razaz ]
check "entry Chinese name" [ "$(key 'Name\[zh_CN\]')" = "ferix_razaz 进销存管理" ]
check "entry Icon names the icon" [ "$(key Icon)" = ferix_razaz ]
check "entry Categories" [ "$(key Categories)" = "Office;" ]
check "entry Terminal" [ "$(key Terminal)" = false ]
exec_path=$(key Exec)
check "entry Exec is a program of the package" [ -x "$root$exec_path" ]

# ---- the menu's launcher starts the program in the program folder, made when missing
# The desktop program is replaced by a stand-in that tells where and how it was started.
fake=$WORK/fake
cp -a "$root" "$fake"
printf '#!/bin/sh\npwd >"%s/started"\necho "$@" >>"%s/started"\n' "$WORK" "$WORK" \
    >"$fake/usr/bin/ferix_razaz"
mkdir "$WORK/home"
(unset FERIX_HOME; HOME=$WORK/home "$fake$exec_path" --a b)
check "launcher makes ~/ferix_razaz and starts there" \
    [ "$(cat "$WORK/started" 2>/dev/null)" = "$WORK/home/ferix_razaz"$'\n'"--a b" ]
rm -f "$WORK/started"
FERIX_HOME="$WORK/other folder" HOME=$WORK/home "$fake$exec_path"
check "launcher honours FERIX_HOME" \
    [ "$(head -1 "$WORK/started" 2>/dev/null)" = "$WORK/other folder" ]

# ---- the installed ferix-cli makes a program folder from the installed defaults
mkdir "$WORK/folder"
cd "$WORK/folder" || exit 1
"$root/usr/bin/ferix-cli" init
rc=$?
check "init" [ $rc -eq 0 -a -f Data/main_data.tdb -a -f Data/other_data.tdb ]
check "init writes the installed configuration" \
    cmp Data/ferix_config.data "$root/usr/share/ferix_razaz/ferix_config.data"
check "init writes the installed stock template" \
    cmp Templates/temp_kucun_view.html "$root/usr/share/ferix_razaz/Templates/temp_kucun_view.html"
check "init writes the installed statement template" \
    cmp Templates/temp_duizhang_view.html "$root/usr/share/ferix_razaz/Templates/temp_duizhang_view.html"
check "init writes the installed bill templates" \
    cmp Templates/temp_bill_sale.html "$root/usr/share/ferix_razaz/Templates/temp_bill_sale.html"
check "installed configuration is the program's" \
    cmp "$SRC/data/ferix_config.data" "$root/usr/share/ferix_razaz/ferix_config.data"
cli() { "$root/usr/bin/ferix-cli" --user admin --password '' "$@"; }
cli config add unit 箱 --note 纸箱
rc=$?
units=$(cli config list unit)
check "ferix-cli works in the new folder" [ $rc -eq 0 -a "$units" = $'name\tnote\n箱\t纸箱' ]

if [ "$FAILS" -ne 0 ]; then
    echo "$FAILS failed"
    exit 1
fi
echo "all passed"
