# bash completion for sigcfg-tool: the commands, then for each argument the files its command takes.

# One entry per command: its arguments in order, each a "|"-list of file extensions (any letter
# case, as the tool reads them) or "dir" for a folder.
declare -gA _sigcfg_tool_args=(
    [check]="vlpj"
    [show]="vlpj"
    [convert]="vlpj|csv|xlsx|xls|ods vlpj|csv|xlsx"
    [copy-tracks]="vlpj dir"
    [tracks]="vlpj"
    [drives]=""
    [bells]="vlpj"
    [shift]="vlpj"
    [print]="vlpj pdf"
)

# The options each command takes after its file arguments; an option named in _sigcfg_tool_dirs
# takes a folder.
declare -gA _sigcfg_tool_options=(
    [copy-tracks]="--no-verify --force"
    [tracks]="--tsv"
    [drives]="--root"
    [bells]="--group --start --lessons --lesson --breaks --days --start-track --end-track --warn --warn-track --volume"
    [shift]="--group --minutes"
)
_sigcfg_tool_dirs=" --root "

_sigcfg_tool()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '--help --version' -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "${!_sigcfg_tool_args[*]}" -- "$cur")
        fi
        return
    fi
    local command=${COMP_WORDS[1]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    if [[ $_sigcfg_tool_dirs == *" $prev "* ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${_sigcfg_tool_options[$command]-}" -- "$cur")
        return
    fi
    # An option's value is the operator's to type.
    [[ $prev == --* ]] && return
    local -a kinds
    read -ra kinds <<<"${_sigcfg_tool_args[${COMP_WORDS[1]}]-}"
    local kind=${kinds[COMP_CWORD - 2]-}
    [[ -n $kind ]] || return
    # Folders get their "/" and no space, so a path can be walked and a card target ends in "/".
    compopt -o filenames 2>/dev/null
    if [[ $kind == dir ]]; then
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
    fi
    local path ext
    while IFS= read -r path; do
        ext=${path##*.}
        if [[ -d $path ]] || [[ $path == *.* && "|$kind|" == *"|${ext,,}|"* ]]; then
            COMPREPLY+=("$path")
        fi
    done < <(compgen -f -- "$cur")
}
complete -F _sigcfg_tool sigcfg-tool
