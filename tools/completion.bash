# SPDX-License-Identifier: MIT
# bash completion for the vexal tool, installed as
# share/bash-completion/completions/vexal. Commands and each command's
# options are read from the tool's own --help, so they always match the
# installed tool; the options that take a compression or a format offer
# their values, and everything else completes file names.

_vexal() {
  local tool=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]} command="" word
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    if [[ $word != -* ]]; then
      command=$word
      break
    fi
  done
  COMPREPLY=()

  local words
  case $prev in
    --compression | --first-compression | --second-compression)
      words="none zlib_default zlib_best_speed zlib_best_compression"
      words+=" $(printf 'zlib_level_%d ' {1..9})"
      ;;
    --first-format | --second-format) words="0 1 2" ;;
    --index) return ;;
    *)
      if [[ $cur == -* ]]; then
        # Option lines of --help, such as "  -o,--output TEXT  Output file".
        # shellcheck disable=SC2086  # no command: the tool's own options
        words=$("$tool" $command --help 2>/dev/null |
          sed -n 's/^ *\(-[^ ]*\).*/\1/p' | tr ',' ' ')
      elif [[ -z $command ]]; then
        # The names listed under "Subcommands:".
        words=$("$tool" --help 2>/dev/null |
          sed -n '/^Subcommands:/,/^$/s/^  *\([a-z][-a-z]*\) .*/\1/p')
      else
        return # file names, from `complete -o default`
      fi
      ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}
complete -o default -F _vexal vexal
