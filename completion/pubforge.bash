# Bash completion for pubforge: options, and file names where an option or
# the command line takes one (BibTeX files by default).
_pubforge() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}

  case $prev in
    -B|--export-to-bibtex|-b|--export-to-separate-bibtexs|-X|--export-to-xml|-x|--export-to-separate-xmls|-J|--export-to-csl-json|-C|--export-to-custom)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    -D|--store-downloads)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    -m|--mapping|-s|--nbsp|-l|--linebreak|-j|--url-jobs|--url-timeout|--url-max-size|-c|--select)
      COMPREPLY=()
      return ;;
  esac

  if [[ $cur == -* ]]; then
    local options="-B --export-to-bibtex -b --export-to-separate-bibtexs -X --export-to-xml
      -x --export-to-separate-xmls -J --export-to-csl-json -C --export-to-custom -D --store-downloads -m --mapping
      -s --nbsp -l --linebreak -n --non-interactive -U --check-urls -u --only-check-new-urls
      -w --ignore-updates-for-html -j --url-jobs --url-timeout --url-max-size -a --add-url-command -i --skip-notes-with-isbn-and-issn
      -I --add-notes-with-isbn-and-issn -c --select -P --plain-text -q --quiet -h --help -v --version"
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -f -X '!*.bib' -- "$cur") $(compgen -d -- "$cur"))
}
complete -o filenames -F _pubforge pubforge
