#!/usr/bin/env bash
# `cmake --install` into a scratch prefix, then the checks a distribution runs on what it lays out:
# desktop entry, AppStream metainfo, MIME type, manual pages, and the bash completion's table
# (driven word by word in test_completion.sh).
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
# The home page the build names, if any; a placeholder is never shipped, in any file.
homepage="$(sed -n 's/^SIG_HOMEPAGE:STRING=//p' "$build/CMakeCache.txt")"
placeholders="$(grep -rlE 'example\.(org|com|net)' "$work/p")"
[ -z "$placeholders" ] || fail "placeholder addresses in: $placeholders"
if [ -z "$homepage" ]; then
    grep -q '<url ' "$share/metainfo/$id.metainfo.xml" && fail "metainfo: an address although the build names none"
fi
# The project file type has an icon of its own, under the name its MIME entry gives.
icon="$(sed -n 's/.*<icon name="\([^"]*\)".*/\1/p' "$share/mime/packages/$id.xml")"
[ -n "$icon" ] && [ -f "$share/icons/hicolor/scalable/mimetypes/$icon.svg" ] || fail "no file-type icon [$icon]"
# English names first with the Russian ones beside them, as the metainfo names the program.
for key in Name Comment GenericName Keywords; do
    grep -q "^$key=[A-Za-z]" "$share/applications/$id.desktop" || fail "desktop entry: $key is not English"
    grep -q "^$key\[ru\]=" "$share/applications/$id.desktop" || fail "desktop entry: no $key[ru]"
done
# Release notes for more than one release.
[ "$(grep -c '<release ' "$share/metainfo/$id.metainfo.xml")" -ge 2 ] || fail "metainfo: one release only"
appstreamcli validate --pedantic --no-net "$share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "appstreamcli validate --pedantic: $(appstreamcli validate --pedantic --no-net "$share/metainfo/$id.metainfo.xml")"
tool="$work/p/bin/sigcfg-tool"

silent desktop-file-validate "$share/applications/$id.desktop"
grep -qx "Exec=sigcfg %f" "$share/applications/$id.desktop" || fail "the desktop entry hands the file to sigcfg"
# The metainfo alone, then with the desktop entry and icon it names.
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >/dev/null || fail "appstreamcli validate"
out="$(appstreamcli validate-tree --no-net "$work/p" 2>&1)" || fail "appstreamcli validate-tree:"$'\n'"$out"
silent xmllint --noout "$share/mime/packages/$id.xml"

# The type is claimed by name only: an INI text with a "[Project]" section stays a plain text,
# under any name, so that a double-click on setup.ini does not start the configurator.
silent env XDG_DATA_DIRS="$share" update-mime-database "$share/mime"
printf '[Project]\r\nName=x\r\n' >"$work/school.vlpj"
printf '[Groups]\r\n' >"$work/groups.vlpj"
printf '\xef\xbb\xbf[Project]\r\nName=x\r\n' >"$work/noextension"
printf '[Project]\nName=setup\n' >"$work/setup.ini"
printf '; build settings\n[project]\nname=x\n' >"$work/build.cfg"
while IFS='|' read -r file expected; do
    type="$(XDG_DATA_DIRS="$share:/usr/share" gio info -a standard::content-type "$work/$file" |
        sed -n 's/.*content-type: //p')"
    [ "$type" == "$expected" ] || fail "$file resolves to [$type], not [$expected]"
done <<'EOF_TYPES'
school.vlpj|application/x-sigcfg-project
groups.vlpj|application/x-sigcfg-project
noextension|text/plain
setup.ini|text/plain
build.cfg|text/plain
EOF_TYPES

# A user install (--prefix ~/.local): a missing module is reported under the paths really searched.
rm "$work/p/lib/sigcfg/modules/libsigcfg-workbook.so"
out="$("$tool" convert "$work/school.vlpj" "$work/school.xlsx" 2>&1)"
grep -qF "$work/p/lib/sigcfg/modules/libsigcfg-workbook.so" <<<"$out" || fail "module paths named: [$out]"
grep -qF "/bin/../" <<<"$out" && fail "module paths with .. steps: [$out]"
# The audio module is installed where the tool looks for it: a bell is made, and without the module
# the tool says which one is missing rather than crash.
"$tool" sound bell "$work/bell.mp3" --kind gong >/dev/null 2>&1 || fail "sound bell with the installed audio module"
rm "$work/p/lib/sigcfg/modules/libsigcfg-audio.so"
out="$("$tool" sound bell "$work/bell2.mp3" --kind gong 2>&1)" && fail "sound bell without the audio module succeeded"
grep -qF "Не найден модуль звука libsigcfg-audio.so" <<<"$out" || fail "missing audio module named: [$out]"

# The Russian pages are the main ones, the English ones stay; both lay out without a warning, in
# the standard sections, with the author and the bug address.
for page in man/ru/man1/sigcfg man/ru/man1/sigcfg-tool man/man1/sigcfg man/man1/sigcfg-tool; do
    file="$share/$page.1.gz"
    out="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)"
    [ -z "$out" ] || fail "man --warnings $page.1 says:"$'\n'"$out"
    text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>/dev/null)"
    grep -qE '^(ИМЯ|NAME)$' <<<"$text" || fail "$page: no name section"
    grep -qE '^(АВТОР|AUTHOR)$' <<<"$text" || fail "$page: no author section"
    if [ -n "$homepage" ]; then
        grep -qE '^(СООБЩЕНИЯ ОБ ОШИБКАХ|REPORTING BUGS)$' <<<"$text" || fail "$page: no bug section"
        grep -qF "$homepage" <<<"$text" || fail "$page: no address"
    else
        grep -qE '^(СООБЩЕНИЯ ОБ ОШИБКАХ|REPORTING BUGS)$' <<<"$text" && fail "$page: a bug section with no address"
        grep -E 'https?://' <<<"$text" | grep -qv 'gnu\.org' && fail "$page: an address although the build names none"
    fi
    grep -q '^FILE FORMATS' <<<"$text" && fail "$page: a section of no standard name"
done

# Every command and option that --help lists has its entry in both manual pages of the tool.
commands="$("$tool" --help | sed -n '/^Команды:/,/^Параметры:/s/^  \([a-z][a-z-]*\) .*/\1/p')"
options="$("$tool" --help | sed -n '/^Параметры:/,/^$/s/^  \(-[a-z], \)\{0,1\}\(--[a-z-]*\).*/\2/p')"
[ -n "$commands" ] && [ -n "$options" ] || fail "no commands or options read from --help"
for file in "$share/man/ru/man1/sigcfg-tool.1.gz" "$share/man/man1/sigcfg-tool.1.gz"; do
    page="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$file" 2>/dev/null)"
    for command in $commands; do
        grep -qE "^       $command( |$)" <<<"$page" || fail "no entry for $command in $file"
    done
    for option in $options; do
        grep -qE "^       (-[a-z], )?$option( |$)" <<<"$page" || fail "no entry for $option in $file"
    done
done

[ "$failures" -eq 0 ] || exit 1
echo "install: all passed"
