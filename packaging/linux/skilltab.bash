# Bash completion of skilltab: its commands, their options, and file names.
_skilltab()
{
    local word=${COMP_WORDS[COMP_CWORD]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "show convert apply diff edit serve --help --version" -- "$word"))
        return
    fi
    local options=
    case ${COMP_WORDS[1]} in
    show) options=--html ;;
    diff) options="--html --patch" ;;
    apply) options=--dry-run ;;
    serve) options="--port --no-open" ;;
    convert | edit) ;;
    *) return ;;
    esac
    if [ "${COMP_WORDS[1]}" = serve ] && [ "${COMP_WORDS[COMP_CWORD-1]}" = --port ]; then
        return  # a port number
    fi
    if [ -n "$options" ] && { [ "$COMP_CWORD" -eq 2 ] || [ "${COMP_WORDS[1]}" = serve ]; } && [[ $word == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$word"))
        return
    fi
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$word"))
}
complete -F _skilltab skilltab
