# Bash completion for vantrel-cli: its commands, each command's options (read from the tool's own
# usage text, so they never go stale), stored label names and files.

_vantrel_cli_labels() {
    # Lists the library without creating it: the tool seeds the default library when it first
    # creates it, and a completion must not do that.
    local library=$1
    if [[ -z $library ]]; then
        # The documents folder as Qt finds it: user-dirs.dirs, else ~/Documents.
        local documents
        documents=$(sed -n 's/^XDG_DOCUMENTS_DIR="\(.*\)"$/\1/p' \
            "${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs" 2>/dev/null)
        documents=${documents//\$HOME/$HOME}
        library=${documents:-$HOME/Documents}/Labels
    fi
    [[ -d $library ]] || return
    "${_vantrel_cli_tool[@]}" --library "$library" labels 2>/dev/null | cut -f1
}

_vantrel_cli_add() {
    # Adds the candidates that start with the word being completed, quoted for the shell.
    local word=${1//\\/} candidate
    word=${word#[\"\']}
    while IFS= read -r candidate; do
        [[ -n $candidate && $candidate == "$word"* ]] && COMPREPLY+=("$(printf '%q' "$candidate")")
    done
}

_vantrel_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local -a _vantrel_cli_tool=("${COMP_WORDS[0]}")
    local library="" command="" i=1 word
    COMPREPLY=()

    # Global options, then the command.
    while ((i < COMP_CWORD)); do
        word=${COMP_WORDS[i]}
        case $word in
        --library | --virtual | --virtual-printers)
            [[ $word == --library ]] && library=${COMP_WORDS[i + 1]}
            ((i += 2))
            continue
            ;;
        --library=*) library=${word#--library=} ;;
        -*) ;;
        *)
            command=$word
            break
            ;;
        esac
        ((i++))
    done

    if [[ -z $command ]]; then
        case $prev in
        --library | --virtual)
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return
            ;;
        --virtual-printers) return ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W '--library --virtual --virtual-printers --help --version' -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "help $("${_vantrel_cli_tool[@]}" help 2>/dev/null |
                sed -n 's/^  \([a-z-]*\).*/\1/p')" -- "$cur")
        fi
        return
    fi

    local usage
    usage=$("${_vantrel_cli_tool[@]}" "$command" --help 2>/dev/null) || return
    local options
    options=$(grep -oE -- '(^| |\[|\|)--?[a-z][a-z-]*' <<<"$usage" | grep -oE -- '--?[a-z][a-z-]*' |
        sort -u)

    # The value of an option: files where a file is asked for, else nothing to offer.
    if [[ $prev == -* ]] && grep -qE -- "(^| |\[)$prev [^-[]" <<<"$usage"; then
        case $prev in
        --csv) mapfile -t COMPREPLY < <(compgen -f -X '!*.[cC][sS][vV]' -- "$cur"; compgen -d -- "$cur") ;;
        -o) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
        esac
        return
    fi

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
        return
    fi

    # The first positional, as the usage names it.
    local positional
    positional=$(sed -n "1s/^usage: vantrel-cli $command \([A-Z|]*\).*/\1/p" <<<"$usage")
    local j count=0
    for ((j = i + 1; j < COMP_CWORD; j++)); do
        word=${COMP_WORDS[j]}
        if [[ $word == -* ]]; then
            grep -qE -- "(^| |\[)$word [^-[]" <<<"$usage" && ((j++))
        else
            ((count++))
        fi
    done
    ((count == 0)) || return
    case $positional in
    NAME)
        _vantrel_cli_add "$cur" < <(_vantrel_cli_labels "$library")
        ;;
    FILE\|NAME)
        _vantrel_cli_add "$cur" < <(_vantrel_cli_labels "$library")
        mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -X '!*.vtllabel' -- "$cur"; compgen -d -- "$cur")
        ;;
    FILE)
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        ;;
    SYMBOLOGY)
        mapfile -t COMPREPLY < <(compgen -W "$("${_vantrel_cli_tool[@]}" barcode - - 2>&1 |
            sed -n 's/.*use one of //p' | tr -d ',')" -- "$cur")
        ;;
    esac
}

complete -F _vantrel_cli vantrel-cli
