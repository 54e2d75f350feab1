#!/usr/bin/env bash
# `cmake --install` into a scratch prefix, then the checks a distribution runs on what it lays out:
# desktop entry, AppStream metainfo, MIME type, manual pages, and the bash completion's table.
set -uo pipefail
build="$1"
id="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A validator passes when it exits with 0 and, where it has one, its quiet mode says nothing.
silent() {
    local out rc
    out="$("$@" 2>&1)"
    rc=$?
    [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "$* (exit status $rc):"$'\n'"$out"
}

cmake --install "$build" --prefix "$work/p" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
share="$work/p/share"
tool="$work/p/bin/sigcfg-tool"

silent desktop-file-validate "$share/applications/$id.desktop"
grep -qx "Exec=sigcfg %f" "$share/applications/$id.desktop" || fail "the desktop entry hands the file to sigcfg"
# The metainfo alone, then with the desktop entry and icon it names.
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >/dev/null || fail "appstreamcli validate"
out="$(appstreamcli validate-tree --no-net "$work/p" 2>&1)" || fail "appstreamcli validate-tree:"$'\n'"$out"
silent xmllint --noout "$share/mime/packages/$id.xml"

# The type resolves by name and, without a known extension, by content (also after a byte-order mark).
silent env XDG_DATA_DIRS="$share" update-mime-database "$share/mime"
printf '[Project]\r\nName=x\r\n' >"$work/school.vlpj"
printf '\xef\xbb\xbf[Project]\r\n' >"$work/noextension"
printf '[Groups]\r\n' >"$work/groups.vlpj"
for file in school.vlpj noextension groups.vlpj; do
    type="$(XDG_DATA_DIRS="$share:/usr/share" gio info -a standard::content-type "$work/$file" |
        sed -n 's/.*content-type: //p')"
    [ "$type" == "application/x-sigcfg-project" ] || fail "$file resolves to [$type]"
done

for page in sigcfg sigcfg-tool; do
    out="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
    [ -z "$out" ] || fail "man --warnings $page.1 says:"$'\n'"$out"
done

# Every command and option that --help lists has its entry in the manual page and the completion.
commands="$("$tool" --help | sed -n '/^Commands:/,/^Options:/s/^  \([a-z][a-z-]*\).*/\1/p')"
options="$("$tool" --help | sed -n '/^Options:/,$s/^  \(--[a-z-]*\).*/\1/p')"
[ -n "$commands" ] && [ -n "$options" ] || fail "no commands or options read from --help"
page="$(LC_ALL=C MANWIDTH=200 man -l "$share/man/man1/sigcfg-tool.1.gz" 2>/dev/null)"
source "$share/bash-completion/completions/sigcfg-tool"
for command in $commands; do
    grep -qE "^       $command( |$)" <<<"$page" || fail "no entry for $command in the manual page"
    [ -n "${_sigcfg_tool_args[$command]+set}" ] || fail "no completion for $command"
done
for option in $options; do
    grep -qE "^       (-[a-z], )?$option( |$)" <<<"$page" || fail "no entry for $option in the manual page"
done

# Completion: the words offered at a position, sorted, in a folder with one file of each kind.
mkdir -p "$work/c/card" && cd "$work/c" && touch a.vlpj B.VLPJ c.csv d.xlsx e.xls f.ods g.txt
complete_at() {
    COMP_WORDS=(sigcfg-tool "$@")
    COMP_CWORD=$#
    _sigcfg_tool
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}
while IFS='|' read -r words expected; do
    read -ra args <<<"$words"
    [ "${words: -1}" == " " ] && args+=("")
    got="$(complete_at "${args[@]}")"
    [ "$got" == "$expected" ] || fail "completing [sigcfg-tool $words]: expected [$expected], got [$got]"
done <<'EOF_CASES'
co|convert copy-tracks
--v|--version
check |B.VLPJ a.vlpj card
check a|a.vlpj
convert |B.VLPJ a.vlpj c.csv card d.xlsx e.xls f.ods
convert c.csv |B.VLPJ a.vlpj c.csv card d.xlsx
copy-tracks a.vlpj |card
check a.vlpj |
bells a.vlpj --w|--warn --warn-track
bells a.vlpj --group |
drives --root |card
EOF_CASES

[ "$failures" -eq 0 ] || exit 1
echo "install: all passed"
