# The example bibliography as RFC 2629 XML references, newest first, for
# the references section of an Internet-Draft:
#   pubforge -q -X references.xml examples/example.bib < examples/references-xml.cmd
# writes references.xml; -x refs/ instead writes one file per publication
# (refs/kell2020.xml, ...).  The printing template is emptied, so nothing
# is printed on standard output.  (Without a command file,
# pubforge -n -X references.xml examples/example.bib writes every
# publication in the order of the file.)
citeAll
sort year/D month/D title
# Titles and names as plain text, without LaTeX commands or braces.
plainText
templatenew
export
