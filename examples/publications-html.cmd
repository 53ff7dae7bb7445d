# The example bibliography as an HTML page: newest first, one heading and
# list per year, an anchor per publication (its citation key), a link to
# the publication's URL and, once the URL check has stored it, to the
# stored copy of the document.
#   pubforge -q examples/example.bib < examples/publications-html.cmd > publications.html
# With a URL check of every entry, keeping the documents in downloads/:
#   pubforge -q -U -D downloads examples/example.bib < examples/publications-html.cmd > publications.html
citeAll
sort year/D month/D title
# Values become XML text ("&", "<" and ">" in them are escaped) and plain
# text (accents as characters, no LaTeX commands or case-protecting braces).
xmlStyle
plainText
echo <!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n<title>Publications of the Coastal Systems group</title>\n
echo <style>body { font-family: sans-serif; max-width: 50em; margin: 2em auto; } li { margin-bottom: 0.6em; }</style>\n
echo </head>\n<body>\n<h1>Publications of the Coastal Systems group</h1>\n
# The first publication of a year opens its heading and list, the last one
# closes the list.  The stored copy is linked only for publications whose
# URL check recorded a document type (url.mime); the comparison with an
# empty text takes the type out of the output again.
templatenew
template+ [%{begin-subdivision-year}<h2 id="year-%{year}">%{year}</h2>\n<ul>\n]
template+ <li id="%{html-label}">%{begin-author-loop}[%{is-not-first-author?}[%{is-last-author?} and |, ]]
template+ %{author-given-name} %{author-family-name}%{end-author-loop}: <cite>%{title}</cite>
template+ [, %{journal}][, %{booktitle}][, %{publisher}][, [%{month-name} ]%{year}].
template+ [ <a href="%{url}">Document</a>][%{url.mime}%{is-not?} <a href="%{download-file-name}">Stored copy</a>]</li>\n
template+ [%{end-subdivision-year}</ul>\n]
export
echo </body>\n</html>\n
