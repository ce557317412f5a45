# Bash completion of skilltab: its commands, their options, and file names.
_skilltab()
{
    local word=${COMP_WORDS[COMP_CWORD]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "show convert apply diff edit --help --version" -- "$word"))
        return
    fi
    case ${COMP_WORDS[1]} in
    show | diff)
        if [ "$COMP_CWORD" -eq 2 ] && [[ $word == -* ]]; then
            COMPREPLY=($(compgen -W "--html" -- "$word"))
            return
        fi
        ;;
    convert | apply | edit) ;;
    *) return ;;
    esac
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$word"))
}
complete -F _skilltab skilltab
