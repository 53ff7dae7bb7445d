# The group's page in Markdown: journal and conference papers (no
# proceedings volumes, no reports), newest first with a heading per year,
# and the name of one member in bold.  Conference papers take their
# venue and year from the proceedings entry they cross-reference.
#   pubforge -q examples/group.bib < examples/publications-group.cmd > group.md
citeWhere $type = article or $type = inproceedings
sort year/D $type title
plainText
echo # Publications of the Coastal Systems group\n
templatenew
template+ [%{begin-subdivision-year}\n## %{year}\n\n]
# Each author: the family name is printed, compared with the member's and
# taken out again; the name then follows in bold or plain.
template+ - %{begin-author-loop}[%{is-not-first-author?}[%{is-last-author?} and |, ]]
template+ [%{author-family-name}%{is?Sousa}**%{author-given-name} %{author-family-name}**|
template+ %{author-given-name} %{author-family-name}]%{end-author-loop}: %{title}.
template+ [ *%{journal}*[ %{volume}[\(%{number}\)]]][ In *%{booktitle}*][, %{publisher}][, pp. %{pages}], %{year}.\n
export
