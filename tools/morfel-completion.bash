# bash completion for morfel (made by 'morfel help --bash-completion')
_morfel_unquote() {
  local word=$1 plain="" i
  case $word in
    \'*) plain=${word#\'}; plain=${plain%\'} ;;
    \"*) plain=${word#\"}; plain=${plain%\"} ;;
    *) for ((i = 0; i < ${#word}; i++)); do
         [ "${word:i:1}" = "\\" ] && i=$((i + 1))
         plain+=${word:i:1}
       done ;;
  esac
  printf '%s' "$plain"
}
_morfel_programs() {
  local typed base="" i name names morfel=${COMP_WORDS[0]/#\~/$HOME} arguments=(list)
  typed=$(_morfel_unquote "$1")
  for ((i = 2; i < COMP_CWORD - 1; i++)); do
    [ "${COMP_WORDS[i]}" = --base ] || continue
    name=${COMP_WORDS[i+1]}
    [ "$name" = "=" ] && name=${COMP_WORDS[i+2]}
    base=$(_morfel_unquote "$name")
    base=${base/#\~/$HOME}
  done
  if [ -n "$base" ]; then
    [ -d "$base" ] || return
    arguments+=(--base "$base")
  fi
  local IFS=$'\n'
  names=$("$morfel" "${arguments[@]}" 2>/dev/null)
  for name in $names; do
    [[ $name == "$typed"* ]] && COMPREPLY+=("$name")
  done
}
_morfel_files() {
  local IFS=$'\n'
  COMPREPLY=($(compgen "$1" -- "$2"))
}
_morfel() {
  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]} options
  COMPREPLY=()
  if [ "$COMP_CWORD" -eq 1 ]; then
    COMPREPLY=($(compgen -W "apply list show check trace import add remove functions title help --help --version" -- "$current"))
    return
  fi
  case ${COMP_WORDS[1]} in
    apply) options="--program --group --name --init --init-file --transform --transform-file --file --param --interp -o --output-dir --format --quality --compression --lossless --max-pixels --timeout -q --quiet --timings --threads --engine --base --plugin -h --help --version" ;;
    list) options="--base -h --help --version" ;;
    show) options="--as-file --base -h --help --version" ;;
    check) options="--program --group --name --init --init-file --transform --transform-file --file --explain --base --plugin -h --help --version" ;;
    trace) options="--program --group --name --init --init-file --transform --transform-file --file --param --interp --at --base -h --help --version" ;;
    import) options="--yes --base --plugin -h --help --version" ;;
    add) options="--base -h --help --version" ;;
    remove) options="--base -h --help --version" ;;
    functions) options="-h --help --version" ;;
    title) options="--plugin -h --help --version" ;;
    help) options="--man --bash-completion -h --help --version" ;;
    *) options="" ;;
  esac
  case $previous in
    --program) _morfel_programs "$current"; return ;;
    --interp) COMPREPLY=($(compgen -W "round linear bezier" -- "$current")); return ;;
    --format) COMPREPLY=($(compgen -W "png .jpg .webp .tif .bmp .tga" -- "$current")); return ;;
    --engine) COMPREPLY=($(compgen -W "interpreter compiled" -- "$current")); return ;;
    --at) return ;;
  esac
  if [[ $current == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$current"))
    return
  fi
  case $previous in
    --base|-o|--output-dir) _morfel_files -d "$current"; return ;;
  esac
  case ${COMP_WORDS[1]} in
    show|remove) _morfel_programs "$current" ;;
    help) COMPREPLY=($(compgen -W "apply list show check trace import add remove functions title help" -- "$current")) ;;
    *) _morfel_files -f "$current" ;;
  esac
}
complete -o filenames -F _morfel morfel
