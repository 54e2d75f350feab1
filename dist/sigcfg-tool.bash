# bash completion for sigcfg-tool: the commands, then the words each command reads, walked as the
# tool reads them: options anywhere, an option's value right after it, the files in their order.

# One entry per command: its files in order, each a "|"-list of file extensions (any letter case, as
# the tool reads them), "dir" for a folder, "target" for what convert makes of its input, "=WORD|WORD"
# for the words the command takes as they are, or "=" for a text the operator types. A command whose
# first word picks a kind ("sound bell") has an entry of its own under both words.
declare -gA _sigcfg_tool_args=(
    [check]="vlpj"
    [show]="vlpj"
    [convert]="vlpj|csv|xlsx|xls|ods target"
    [copy-tracks]="vlpj dir"
    [card-check]="vlpj dir"
    [tracks]="vlpj"
    [drives]=""
    [bells]="vlpj"
    [shift]="vlpj"
    [print]="vlpj pdf"
    [sound]="=bell|speech"
    [sound bell]="mp3"
    [sound speech]="= mp3"
)
# Options that stand alone, and options that take the next word as their value.
declare -gA _sigcfg_tool_flags=(
    [copy-tracks]="--no-verify --force --make-room"
    [tracks]="--tsv"
    [bells]="--replace --dry-run"
    [sound speech]="--chime"
)
declare -gA _sigcfg_tool_valued=(
    [copy-tracks]="--level"
    [card-check]="--level"
    [drives]="--root"
    [bells]="--group --start --lessons --lesson --breaks --days --start-track --end-track --warn --warn-track --volume --prefix"
    [shift]="--group --minutes"
    [sound bell]="--kind --seconds"
    [sound speech]="--voice"
)
# The files convert makes of an input, by the input's extension: only the pairs it accepts.
declare -gA _sigcfg_tool_targets=(
    [vlpj]="vlpj|csv|xlsx"
    [csv]="vlpj|xlsx"
    [xlsx]="vlpj|csv"
    [xls]="vlpj|csv"
    [ods]="vlpj|csv"
)

# Offers the folders and the files whose extension is in the "|"-list kind (folders only when empty).
_sigcfg_tool_files()
{
    local kind=$1 cur=$2 path ext
    # Folders get their "/" and no space, so a path can be walked and a card target ends in "/".
    compopt -o filenames 2>/dev/null
    while IFS= read -r path; do
        ext=${path##*.}
        if [[ -d $path ]] || [[ -n $kind && $path == *.* && "|$kind|" == *"|${ext,,}|"* ]]; then
            COMPREPLY+=("$path")
        fi
    done < <(compgen -f -- "$cur")
}

_sigcfg_tool()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '--help --version' -- "$cur")
        else
            # The commands alone: "sound bell" is a key of its own, not two commands.
            local key commands=""
            for key in "${!_sigcfg_tool_args[@]}"; do
                [[ $key == *" "* ]] || commands+="$key "
            done
            mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
        fi
        return
    fi
    local command=${COMP_WORDS[1]} first=2
    if ((COMP_CWORD > 2)) && [[ -n ${_sigcfg_tool_args["$command ${COMP_WORDS[2]}"]+set} ]]; then
        command+=" ${COMP_WORDS[2]}"
        first=3
    fi
    [[ -n ${_sigcfg_tool_args[$command]+set} ]] || return
    local flags=" ${_sigcfg_tool_flags[$command]-} " valued=" ${_sigcfg_tool_valued[$command]-} "

    # The words before the cursor: options (and the value each valued one takes) and files.
    local -a files=()
    local used=" " awaiting="" word i
    for ((i = first; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -n $awaiting ]]; then
            awaiting=""
        elif [[ $valued == *" $word "* ]]; then
            awaiting=$word
            used+="$word "
        elif [[ $flags == *" $word "* ]]; then
            used+="$word "
        else
            files+=("$word")
        fi
    done
    if [[ -n $awaiting ]]; then
        # A folder for --root; numbers, times and lists are the operator's to type.
        [[ $awaiting == --root ]] && _sigcfg_tool_files "" "$cur"
        [[ $awaiting == --kind ]] && mapfile -t COMPREPLY < <(compgen -W "school chime gong" -- "$cur")
        [[ $awaiting == --voice ]] && mapfile -t COMPREPLY < <(compgen -W "ru" -- "$cur")
        return
    fi

    local options="" option
    for option in $flags $valued; do
        [[ $used == *" $option "* ]] || options+="$option "
    done
    local -a kinds
    read -ra kinds <<<"${_sigcfg_tool_args[$command]}"
    local kind=${kinds[${#files[@]}]-}
    # An option where one is begun, or where every file is given already.
    if [[ $cur == -* || -z $kind ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    if [[ $kind == target ]]; then
        local input=${files[0]##*/} ext=""
        [[ $input == *.* ]] && ext=${input##*.}
        kind=${_sigcfg_tool_targets[${ext,,}]-}
    fi
    if [[ $kind == =* ]]; then
        kind=${kind#=}
        mapfile -t COMPREPLY < <(compgen -W "${kind//|/ }" -- "$cur")
        return
    fi
    if [[ $kind == dir ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
    fi
    _sigcfg_tool_files "$kind" "$cur"
}
complete -F _sigcfg_tool sigcfg-tool
