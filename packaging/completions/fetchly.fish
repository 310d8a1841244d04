# fish completion for fetchly

set -l subcommands get put copy add inspect

function __fetchly_ftp
    contains -- --ftp (commandline -opc)
end

complete -c fetchly -f
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -a get -d 'Download URLs, or files from an FTP server'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -a put -d 'Upload a file over HTTP, or files to an FTP server'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -a copy -d 'Copy local files or files below a network share'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -a add -d 'Hand URLs to the running Fetchly'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -a inspect -d 'Print the report of files'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -l version -d 'Print the version and exit'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -o REGSERVER -d 'Make the session bus able to start Fetchly'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -o UNREGSERVER -d 'Undo -REGSERVER'
complete -c fetchly -n "not __fish_seen_subcommand_from $subcommands" -o AUTOMATION -d 'Start without showing the window'
complete -c fetchly -s h -l help -d 'Print the usage and exit'

# get, put and copy
complete -c fetchly -n '__fish_seen_subcommand_from get put copy' -l proxy -x -d 'Proxy HOST:PORT'
complete -c fetchly -n '__fish_seen_subcommand_from get put copy' -l proxy-user -x -d 'User name sent to the proxy'
complete -c fetchly -n '__fish_seen_subcommand_from get put copy' -l proxy-password -x -d 'Password sent to the proxy'
complete -c fetchly -n '__fish_seen_subcommand_from get put copy' -l quiet -d 'Print failures only'
complete -c fetchly -n '__fish_seen_subcommand_from get put copy' -s o -l output -x -d 'Name of the file written'
complete -c fetchly -n '__fish_seen_subcommand_from get copy' -s d -l dir -x -a '(__fish_complete_directories)' -d 'Target folder'
complete -c fetchly -n '__fish_seen_subcommand_from get put' -l ftp -x -a '(__fish_print_hostnames)' -d 'FTP server HOST[:PORT]'
complete -c fetchly -n '__fish_seen_subcommand_from get put copy' -l user -x -d 'Login of the FTP server or share'
complete -c fetchly -n '__fish_seen_subcommand_from get put copy' -l password -x -d 'Password of the FTP server or share'
complete -c fetchly -n '__fish_seen_subcommand_from get put; and __fetchly_ftp' -l passive -d 'Open the data connections from here'

complete -c fetchly -n '__fish_seen_subcommand_from get' -l connections -x -d 'Connections per file (1-16)'
complete -c fetchly -n '__fish_seen_subcommand_from get' -l parallel -x -d 'Downloads at once (1-10)'
complete -c fetchly -n '__fish_seen_subcommand_from get' -l limit-rate -x -d 'Speed of all downloads together (500K, 2M)'
complete -c fetchly -n '__fish_seen_subcommand_from get' -l retries -x -d 'Retries of a transient failure'
complete -c fetchly -n '__fish_seen_subcommand_from get' -l no-resume -d 'Start every download from zero'
complete -c fetchly -n '__fish_seen_subcommand_from get' -l force -d 'Fetch again without asking whether it changed'

complete -c fetchly -n '__fish_seen_subcommand_from put' -l put -d 'Send with PUT'
complete -c fetchly -n '__fish_seen_subcommand_from put' -l post -d 'Send with POST (default)'
complete -c fetchly -n '__fish_seen_subcommand_from put; and __fetchly_ftp' -l to -x -d 'Folder on the server'
complete -c fetchly -n '__fish_seen_subcommand_from put copy inspect' -F

complete -c fetchly -n '__fish_seen_subcommand_from copy' -l share -x -a '(__fish_complete_directories)' -d 'Network share or mounted folder'

complete -c fetchly -n '__fish_seen_subcommand_from inspect' -l raw -d "Keep the report's own line ends"
