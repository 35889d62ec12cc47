# Bash completion for ovelin-cli. The commands, their words, options and fixed choices are read from
# the program's own help texts (ovelin-cli --help, ovelin-cli COMMAND --help), so the completion
# always offers what the program being completed knows.

# The lines of the help text of the program $1 (for the command $2, when given).
_ovelin_cli_help() {
  "$1" ${2:+"$2"} --help 2>/dev/null
}

_ovelin_cli() {
  local cur="${COMP_WORDS[COMP_CWORD]}" prev="${COMP_WORDS[COMP_CWORD - 1]}"
  local program="${COMP_WORDS[0]}" command="" position=0 i words=""
  COMPREPLY=()

  case "$prev" in
    --device)
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return
      ;;
    --output | import)
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return
      ;;
  esac

  # The command is the first word after the options that come before it.
  for ((i = 1; i < COMP_CWORD; i++)); do
    case "${COMP_WORDS[i]}" in
      --device) i=$((i + 1)) ;;
      -*) ;;
      *)
        command="${COMP_WORDS[i]}"
        position=$((COMP_CWORD - i))
        break
        ;;
    esac
  done

  local help
  help="$(_ovelin_cli_help "$program" "$command")"
  if [ -z "$command" ]; then
    if [[ "$cur" == -* ]]; then
      words="$(sed -n '/^Options:/,$p' <<<"$help" | grep -oE -- '--[a-z-]+')"
    else
      # "  NAME ..." in the list of commands
      words="$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p' <<<"$help")"
    fi
  elif [[ "$cur" == -* ]]; then
    words="$(grep -oE -- '--[a-z-]+' <<<"$help")"
  elif [[ "$prev" =~ ^[-a-zA-Z]+$ ]] &&
    grep -qE -- "(^|[ [])$prev [A-Za-z]+(\|[A-Za-z]+)+" <<<"$help"; then
    # A fixed choice written "WORD a|b|c" in the usage: "--format backup|fhir", "get HKCU|HKLM".
    words="$(grep -oE -- "(^|[ [])$prev [A-Za-z]+(\|[A-Za-z]+)+" <<<"$help" | sed 's/.* //' |
      tr '|' '\n')"
  elif [ "$position" -eq 1 ]; then
    # The word after the command: "ovelin-cli COMMAND WORD ..." and the "| WORD" alternatives.
    words="$(grep -oE -- "ovelin-cli $command [a-z]+|\| [a-z]+" <<<"$help" | sed 's/.* //')"
  fi
  mapfile -t COMPREPLY < <(compgen -W "$(sort -u <<<"$words")" -- "$cur")
}

complete -F _ovelin_cli ovelin-cli
