#!/usr/bin/env bash
# The bash completion of sigcfg-tool driven as bash drives it (COMP_WORDS, COMP_CWORD), for every
# command the tool's --help lists, in a folder with one file of each kind.
set -uo pipefail
completion="$1"
tool="$2"
source "$(dirname "$0")/../support/shell.sh"

source "$completion"
commands="$("$tool" --help | sed -n '/^Команды:/,/^Параметры:/s/^  \([a-z][a-z-]*\) .*/\1/p')"
[ -n "$commands" ] || fail "no commands read from --help"
for command in $commands; do
    [ -n "${_sigcfg_tool_args[$command]+set}" ] || fail "no completion for $command"
done

mkdir -p "$work/card" && cd "$work" && touch a.vlpj B.VLPJ c.csv d.xlsx e.xls f.ods g.txt h.pdf i.mp3
complete_at() {
    COMP_WORDS=(sigcfg-tool "$@")
    COMP_CWORD=$#
    _sigcfg_tool
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}
# words typed (a final blank: the cursor after it) | words offered, sorted
tested=" "
while IFS='|' read -r words expected; do
    read -ra args <<<"$words"
    [ "${words: -1}" == " " ] && args+=("")
    tested+="${args[0]} "
    expect_eq "$(complete_at "${args[@]}")" "$expected" "completing [sigcfg-tool $words]"
done <<'EOF_CASES'
co|convert copy-tracks
--v|--version
check |B.VLPJ a.vlpj card
check a|a.vlpj
check a.vlpj |
show |B.VLPJ a.vlpj card
convert |B.VLPJ a.vlpj c.csv card d.xlsx e.xls f.ods
convert a.vlpj |B.VLPJ a.vlpj c.csv card d.xlsx
convert c.csv |B.VLPJ a.vlpj card d.xlsx
convert f.ODS |B.VLPJ a.vlpj c.csv card
convert g.txt |card
convert a.vlpj c.csv |
copy-tracks |B.VLPJ a.vlpj card
copy-tracks a.vlpj |card
copy-tracks --no-verify |B.VLPJ a.vlpj card
copy-tracks a.vlpj --no-verify |card
copy-tracks a.vlpj card |--force --level --make-room --no-verify
copy-tracks --no-verify a.vlpj card |--force --level --make-room
copy-tracks --force --no-verify --make-room --level -16 a.vlpj card |
card-check |B.VLPJ a.vlpj card
card-check a.vlpj |card
copy-tracks --level |
copy-tracks --level -16 |B.VLPJ a.vlpj card
tracks --tsv |B.VLPJ a.vlpj card
tracks a.vlpj |--tsv
tracks a.vlpj --|--tsv
drives |--root
drives --root |card
drives --root card |
bells |B.VLPJ a.vlpj card
bells a.vlpj --w|--warn --warn-track
bells a.vlpj --group |
bells a.vlpj --group 1 --start 08:00 --l|--lesson --lessons
shift a.vlpj |--group --minutes
shift a.vlpj --group 2 |--minutes
print |B.VLPJ a.vlpj card
print a.vlpj |card h.pdf
sound |bell speech
sound s|speech
sound bell |card i.mp3
sound bell i.mp3 |--kind --seconds
sound bell i.mp3 --kind |chime gong school
sound speech |
sound speech Внимание |card i.mp3
sound speech --chime Внимание i.mp3 |--voice
sound speech Внимание i.mp3 --voice |ru
EOF_CASES
for command in $commands; do
    [[ $tested == *" $command "* ]] || fail "no completion case for $command"
done

finish "completion"
