# The example bibliography as the publication list of a CV, in plain text:
# newest first, the year on a line of its own, then one line per
# publication with the authors as family name and initials, and the
# editors of proceedings as initials and family name.
#   pubforge -q examples/example.bib < examples/publications-cv.cmd > publications.txt
citeAll
sort year/D month/D title
# Values as plain text: accents as characters, no LaTeX commands or braces.
plainText
echo PUBLICATIONS\n
templatenew
template+ [%{begin-subdivision-year}\n%{year}\n]
template+   - %{begin-author-loop}[%{is-not-first-author?}[%{is-last-author?} and |, ]]
template+ %{author-family-name}[, %{author-initials}]%{end-author-loop}: %{title}.
template+ [ %{journal}[ %{volume}[\(%{number}\)]][, pp. %{pages}].]
# The editors only where there are some: the section fails without an
# "editor" field, and the comparison takes the field's text out again.
template+ [ In %{booktitle}[%{editor}%{is-not?} \(ed. %{begin-editor-loop}
template+ [%{is-not-first-editor?}[%{is-last-editor?} and |, ]][%{editor-initials} ]
template+ %{editor-family-name}%{end-editor-loop}\)][, pp. %{pages}].]
template+ [ %{publisher}[, %{address}].]\n
export
