# bash completion for morfel (made by 'morfel help --bash-completion')
_morfel() {
  local current=${COMP_WORDS[COMP_CWORD]} options
  if [ "$COMP_CWORD" -eq 1 ]; then
    COMPREPLY=($(compgen -W "apply list show check import functions title help --help --version" -- "$current"))
    return
  fi
  case ${COMP_WORDS[1]} in
    apply) options="--program --group --name --init --init-file --transform --transform-file --file --param --interp --output-dir --format --quality --compression --lossless --max-pixels --timeout --quiet --timings --threads --engine --base --plugin --help --version" ;;
    list) options="--base --help --version" ;;
    show) options="--as-file --base --help --version" ;;
    check) options="--program --group --name --init --init-file --transform --transform-file --file --explain --base --plugin --help --version" ;;
    import) options="--yes --base --plugin --help --version" ;;
    functions) options="--help --version" ;;
    title) options="--plugin --help --version" ;;
    help) options="--man --bash-completion --help --version" ;;
    *) options="" ;;
  esac
  case ${COMP_WORDS[COMP_CWORD-1]} in
    --interp) COMPREPLY=($(compgen -W "round linear bezier" -- "$current")); return ;;
    --format) COMPREPLY=($(compgen -W "png jpg webp tif bmp tga" -- "$current")); return ;;
    --base|-o|--output-dir) COMPREPLY=($(compgen -d -- "$current")); return ;;
  esac
  if [[ $current == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$current"))
  else
    COMPREPLY=($(compgen -f -- "$current"))
  fi
}
complete -o filenames -F _morfel morfel
