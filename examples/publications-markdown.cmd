# The example bibliography as a Markdown list: newest first, a heading per
# year, each title linked to the publication's URL where it has one.
#   pubforge -q examples/example.bib < examples/publications-markdown.cmd > publications.md
citeAll
sort year/D month/D title
# Values as plain text: accents as characters, no LaTeX commands or braces.
plainText
echo # Publications of the Coastal Systems group\n
# "[", "]", "(" and ")" open and close sections of the template, so the
# brackets of a Markdown link carry a backslash.  The link is one section
# with two alternatives: the linked title, or the title alone.
templatenew
template+ [%{begin-subdivision-year}\n## %{year}\n\n]
template+ - %{begin-author-loop}[%{is-not-first-author?}[%{is-last-author?} and |, ]]
template+ %{author-given-name} %{author-family-name}%{end-author-loop}:
template+  [\[*%{title}*\]\(%{url}\)|*%{title}*][, %{journal}][, %{booktitle}][, %{publisher}][, [%{month-name} ]%{year}].\n
export
