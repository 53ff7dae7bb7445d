# The publication list of the example bibliography, newest first.
#   pubforge examples/example.bib < examples/publications.cmd
#
# The survey is cited with a short label and a note (its first custom
# string); citeAll adds the others, labelled with their citation keys.
cite kell2020 K20 "open access"
citeAll
sort year/D title
monthNames Jan. Feb. Mar. Apr. May Jun. Jul. Aug. Sep. Oct. Nov. Dec.
# One paragraph per publication: label, authors, title, where it appeared,
# date and the note.  "[", "]", "(" and ")" open and close sections, so
# they are written with a backslash where they are meant as text.  The
# template is built from several lines; their line breaks are not part of it.
templatenew
template+ \[%{anchor}\] %{begin-author-loop}[%{is-not-first-author?}[%{is-last-author?} and |, ]]
template+ %{author-given-name} %{author-family-name}%{end-author-loop}: %{title}
template+ [, %{journal}][, %{booktitle}][, %{publisher}][, [%{month-name} ]%{year}].[ \(%{custom-1}\)]\n
echo Publications of the Coastal Systems group\n\n
export
