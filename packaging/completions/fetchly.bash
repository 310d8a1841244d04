# bash completion for fetchly                                 -*- shell-script -*-

_fetchly()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local subcommands="get put copy add inspect"
    local common="--proxy --proxy-user --proxy-password --quiet --help"
    local command="" ftp="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            get | put | copy | add | inspect) [[ -z $command ]] && command=${COMP_WORDS[i]} ;;
            --ftp | --ftp=*) ftp=1 ;;
        esac
    done

    # Values of options that take one.
    case $prev in
        -d | --dir)
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        --ftp)
            COMPREPLY=($(compgen -A hostname -- "$cur"))
            return
            ;;
        -o | --output | --to | --share | --user | --password | --proxy | --proxy-user | \
            --proxy-password | --connections | --retries | --parallel | --limit-rate)
            return
            ;;
    esac

    local options files=""
    case $command in
        "")
            if [[ $cur == -* ]]; then
                options="--help --version -REGSERVER -UNREGSERVER -AUTOMATION"
            else
                COMPREPLY=($(compgen -W "$subcommands" -- "$cur"))
                return
            fi
            ;;
        get)
            options="-d --dir -o --output --connections --parallel --limit-rate --retries --no-resume --force --ftp $common"
            [[ -n $ftp ]] && options+=" --user --password --passive"
            ;;
        put)
            options="--put --post --ftp $common"
            [[ -n $ftp ]] && options="--ftp --user --password --passive --to -o --output $common"
            files=1
            ;;
        copy)
            options="--share --user --password -d --dir -o --output $common"
            files=1
            ;;
        add) options="--help" ;;
        inspect)
            options="--raw --help"
            files=1
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -n $files ]]; then
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _fetchly fetchly
