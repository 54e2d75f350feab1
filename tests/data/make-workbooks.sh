#!/usr/bin/env bash
# Remakes the workbooks of tests/data: the openpyxl ones, then LibreOffice Calc's own .xlsx, .xls
# and .ods of two of them (LibreOffice is needed only here, not to build or test:
# apt-get install --no-install-recommends libreoffice-calc-nogui python3-openpyxl).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" "$here/make-workbooks.py" "$here"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A profile of its own, so a running LibreOffice of the user is neither used nor disturbed.
profile="file://$work/profile"
convert() { # source, LibreOffice filter, target name
    local source="$1" filter="$2" target="$3"
    mkdir -p "$work/out"
    soffice -env:UserInstallation="$profile" --headless --convert-to "$filter" --outdir "$work/out" "$source" >/dev/null
    mv "$work/out/$(basename "${source%.*}").${filter%%:*}" "$here/$target"
}
for name in schedule features second-active; do
    convert "$here/openpyxl-$name.xlsx" 'xlsx:Calc MS Excel 2007 XML' "libreoffice-$name.xlsx"
    convert "$here/openpyxl-$name.xlsx" 'ods' "libreoffice-$name.ods"
    convert "$here/openpyxl-$name.xlsx" 'xls:MS Excel 97' "libreoffice-$name.xls"
done
