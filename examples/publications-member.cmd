# One member's page: every publication with "Sousa" among its authors,
# newest first, as a plain-text list.  The member's name is a regular
# expression on the authors as plain text (so "M{\"u}ller" is matched by
# "Müller" as well).
#   pubforge -q examples/group.bib < examples/publications-member.cmd > sousa.txt
citeWhere author : "Sousa"
sort year/D title
plainText
echo Publications of Ana Sousa\n\n
templatenew
template+ %{year}  %{begin-author-loop}[%{is-not-first-author?}[%{is-last-author?} and |, ]]
template+ %{author-family-name}%{end-author-loop}: %{title}[, %{journal}][, %{booktitle}][, %{institution}].\n
export
