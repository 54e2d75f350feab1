#!/usr/bin/env bash
# sigcfg-tool copy-tracks: the card writer's copy stage on a real project file.
set -uo pipefail
tool="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2], got [$1]"; }

to_windows() { iconv -f UTF-8 -t CP1251 | sed 's/$/\r/'; }

mkdir -p "$work/Звонки" "$work/card"
printf 'first bell' >"$work/Звонки/начало.mp3"
printf 'last bell' >"$work/Звонки/конец урока.mp3"

to_windows >"$work/school.vlpj" <<EOF_PROJECT
[Project]
Name=Школа
Device=Велтара ДК-4
[Playlist]
0=1;$work/Звонки/начало.mp3
1=12;$work/Звонки/конец урока.mp3
2=5;
3=7;$work/Звонки/нет такого.mp3
EOF_PROJECT

# One file missing: the others are copied, the missing one is logged, exit 1.
out="$("$tool" copy-tracks "$work/school.vlpj" "$work/card/")"; rc=$?
expect_eq "$rc" "1" "exit status with a missing file"
expect_eq "$out" "Файл '$work/Звонки/начало.mp3' скопирован в '$work/card/001.mp3'
Файл '$work/Звонки/конец урока.mp3' скопирован в '$work/card/012.mp3'
Файл '$work/Звонки/нет такого.mp3' отсутствует" "log lines"
expect_eq "$(cat "$work/card/012.mp3")" "last bell" "copied content"
expect_eq "$(ls "$work/card" | tr '\n' ' ')" "001.mp3 012.mp3 " "card listing"

# Everything there: exit 0; the target is a plain prefix of the file names.
printf 'x' >"$work/Звонки/нет такого.mp3"
out="$("$tool" copy-tracks "$work/school.vlpj" "$work/card/music")"; rc=$?
expect_eq "$rc" "0" "exit status when all are copied"
[ -f "$work/card/music007.mp3" ] || fail "typed prefix without a slash gives a sibling name"

# A project file that is not there is an error naming it.
err="$("$tool" copy-tracks "$work/nothing.vlpj" "$work/card/" 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "exit status of a missing project"
grep -qF "$work/nothing.vlpj" <<<"$err" || fail "error names the file: [$err]"

"$tool" copy-tracks "$work/school.vlpj" >/dev/null 2>&1
expect_eq "$?" "2" "exit status without a target"

# A stray track-named file on the card is listed, not deleted; other names are left alone.
mkdir -p "$work/card2"
printf 'old' >"$work/card2/017.mp3"
printf 'notes' >"$work/card2/notes.txt"
out="$("$tool" copy-tracks --no-verify "$work/school.vlpj" "$work/card2/")"; rc=$?
expect_eq "$rc" "0" "exit status with an extra file"
expect_eq "$(tail -1 <<<"$out")" "Файл '$work/card2/017.mp3' — лишний файл на карте" "extra file line"
[ -f "$work/card2/017.mp3" ] || fail "the extra file stays"

[ "$failures" -eq 0 ] || exit 1
echo "copy-tracks: all passed"
