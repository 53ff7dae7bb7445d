#!/usr/bin/env python3
"""A small HTTP server for the URL check tests and the URL check example.

Binds 127.0.0.1 on a free port (with --hosts N also 127.0.0.2 to 127.0.0.N
on the same port, never an address beyond the loopback network), prints
that port on one line of standard output and serves until it is ended by
its process id, or at the latest after --lifetime seconds, when it stops by
itself.  With --delay SECONDS every response waits that long first; a query
"delay=SECONDS" does the same for one request.  Only the Python standard
library is used.

Documents:
  /paper.pdf                      a two-page PDF with keywords
  /papers/<name>.pdf              the same with 15 pages (the example's papers)
  /page.html, /text.txt           an HTML page and plain text
  /empty                          a 200 response without a body
  /missing                        404
  /redirect/<n>                   a chain of <n> redirects that ends at /paper.pdf
                                  (the query goes with every hop)
  /nostatus                       a response without any status line
  /lowercase                      a response whose status line is "http/1.1 200 OK"
  /cookie/set, /cookie/need       the first sets a cookie, the second answers
                                  200 only when the cookie comes back (else 403)
  /doc/<name>                     the file <name> of --docroot, read at each
                                  request, so a test can change it between runs;
                                  the server puts sample.pdf, sample.html and
                                  sample.txt there (the documents above) first
Hostile servers:
  /silent                         accepts the request and says nothing
  /drip                           a 200 response whose body comes one byte
                                  a second
  /loop                           redirects to itself for ever
  /to-file, /to-gopher            redirect to file:///etc/passwd and to a
                                  gopher address of 127.0.0.1
  /big/<n>, /big-unannounced/<n>  <n> bytes of text, with a Content-Length
                                  header and without one
  /busy/<n>/<tag>?code=C&after=A  the first <n> requests for <tag> get status
                                  C (default 429) with "Retry-After: A" (A is
                                  a number of seconds, "date" for the time one
                                  second ahead as an HTTP date, "none" for no
                                  header; default 1), later ones the text
  /count/<tag>                    how many requests /busy/<n>/<tag> had
A request for the host ieeexplore.ieee.org (sent here through a proxy
setting) is answered as by the library's site: /stamp/stamp.jsp?arnumber=N
gives a frame page (N=1, with a cookie that the frame needs; N=2 with a
relative frame address; N=3 one of 70000 bytes; N=4 without a frame), and
/stamp/getPDF.jsp gives the PDF when the cookie comes back.
"""

import argparse
import email.utils
import os
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

IEEE_HOST = "ieeexplore.ieee.org"
COOKIE = "pubforge-test=1"


def make_pdf(pages):
    """A valid PDF of `pages` empty pages whose info holds keywords with a
    LaTeX accent."""
    info = 3 + pages
    kids = b" ".join(b"%d 0 R" % (3 + i) for i in range(pages))
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [" + kids + b"] /Count %d /MediaBox [0 0 612 792] >>" % pages,
    ]
    objects += [b"<< /Type /Page /Parent 2 0 R >>"] * pages
    objects.append(b"<< /Title (Tidal Flats) /Keywords (K{\\\\\"u}ste, tidal~flats) >>")
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n" % (len(objects) + 1)
    out += b"0000000000 65535 f \n"
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R /Info %d 0 R >>\n" % (len(objects) + 1, info)
    out += b"startxref\n%d\n%%%%EOF\n" % xref
    return bytes(out)


PDF = make_pdf(2)
# The papers of the example bibliography: the page count its entry states.
PAPER = make_pdf(15)
HTML = b"<!DOCTYPE html>\n<html><head><title>Tidal flats</title></head>\n<body><p>Tidal flats under pressure.</p></body></html>\n"
TEXT = b"Tidal flats under pressure.\nA plain text abstract.\n"

CONTENT_TYPES = {".pdf": "application/pdf", ".html": "text/html", ".txt": "text/plain"}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "TestServer/1.0"

    def log_message(self, format, *args):  # keep the test output clean
        pass

    def send(self, status, body, content_type="application/octet-stream", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def raw(self, data):
        self.wfile.write(data)
        self.wfile.flush()
        self.close_connection = True

    def has_cookie(self):
        return COOKIE in self.headers.get("Cookie", "")

    def do_GET(self):
        # A request through a proxy names the whole URL.
        target = urllib.parse.urlsplit(self.path)
        host = target.hostname or self.headers.get("Host", "").split(":")[0]
        path = target.path
        query = urllib.parse.parse_qs(target.query)
        delay = float(query.get("delay", [self.server.delay])[0])
        if delay > 0:
            time.sleep(delay)
        if self.hostile(path, query):
            return
        if host == IEEE_HOST:
            return self.ieee(path, query)
        if path == "/paper.pdf":
            return self.send(200, PDF, "application/pdf")
        if path.startswith("/papers/") and path.endswith(".pdf"):
            return self.send(200, PAPER, "application/pdf")
        if path == "/page.html":
            return self.send(200, HTML, "text/html")
        if path == "/text.txt":
            return self.send(200, TEXT, "text/plain")
        if path == "/empty":
            return self.send(200, b"", "text/plain")
        if path.startswith("/redirect/"):
            left = int(path[len("/redirect/"):] or "0")
            where = "/paper.pdf" if left <= 1 else "/redirect/%d" % (left - 1)
            if target.query:  # a delay goes with every hop
                where += "?" + target.query
            return self.send(302, b"", headers=[("Location", where)])
        if path == "/nostatus":
            return self.raw(b"a body without any status line\n")
        if path == "/lowercase":
            return self.raw(b"http/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\nhello\n")
        if path == "/cookie/set":
            return self.send(200, TEXT, "text/plain", [("Set-Cookie", COOKIE + "; Path=/")])
        if path == "/cookie/need":
            if self.has_cookie():
                return self.send(200, TEXT, "text/plain")
            return self.send(403, b"no cookie\n", "text/plain")
        if path.startswith("/doc/"):
            name = os.path.basename(path)
            try:
                with open(os.path.join(self.server.docroot, name), "rb") as f:
                    body = f.read()
            except OSError:
                return self.send(404, b"not found\n", "text/plain")
            return self.send(200, body, CONTENT_TYPES.get(os.path.splitext(name)[1], "application/octet-stream"))
        return self.send(404, b"not found\n", "text/plain")

    def hostile(self, path, query):
        """Answers the requests of a server that tries to hold or flood the
        client; false for any other request."""
        if path == "/silent":
            time.sleep(self.server.lifetime)
            return True
        if path == "/drip":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            for _ in range(100000):
                self.wfile.write(b"x")
                self.wfile.flush()
                time.sleep(1)
            return True
        if path == "/loop":
            self.send(302, b"", headers=[("Location", "/loop")])
            return True
        if path == "/to-file":
            self.send(302, b"", headers=[("Location", "file:///etc/passwd")])
            return True
        if path == "/to-gopher":
            self.send(302, b"", headers=[("Location", "gopher://127.0.0.1:7/_stats")])
            return True
        if path.startswith("/big/") or path.startswith("/big-unannounced/"):
            size = int(path.rsplit("/", 1)[1])
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            if path.startswith("/big/"):
                self.send_header("Content-Length", str(size))
            self.end_headers()
            line = b"0123456789abcdef" * 64
            try:
                while size > 0:
                    self.wfile.write(line[:size])
                    size -= len(line)
            except OSError:
                pass  # the client gave up
            self.close_connection = True
            return True
        if path.startswith("/busy/"):
            _, _, n, tag = path.split("/", 3)
            with self.server.lock:
                seen = self.server.counts.get(tag, 0)
                self.server.counts[tag] = seen + 1
            if seen >= int(n):
                self.send(200, TEXT, "text/plain")
                return True
            code = int(query.get("code", ["429"])[0])
            after = query.get("after", ["1"])[0]
            headers = []
            if after == "date":
                headers.append(("Retry-After", email.utils.formatdate(time.time() + 1, usegmt=True)))
            elif after != "none":
                headers.append(("Retry-After", after))
            self.send(code, b"busy\n", "text/plain", headers)
            return True
        if path.startswith("/count/"):
            with self.server.lock:
                seen = self.server.counts.get(path[len("/count/"):], 0)
            self.send(200, b"%d\n" % seen, "text/plain")
            return True
        return False

    def ieee(self, path, query):
        if path == "/stamp/getPDF.jsp":
            if self.has_cookie():
                return self.send(200, PDF, "application/pdf")
            return self.send(403, b"no cookie\n", "text/plain")
        if path != "/stamp/stamp.jsp":
            return self.send(404, b"not found\n", "text/plain")
        number = query.get("arnumber", [""])[0]
        frame = b'<frame src="http://%s/stamp/getPDF.jsp?tp=&arnumber=%s">' % (IEEE_HOST.encode(), number.encode())
        page = {
            "1": b"<html><frameset>" + b'<frame src="http://%s/header">' % IEEE_HOST.encode() + frame + b"</frameset></html>\n",
            "2": b'<html><frameset><frame src="/stamp/getPDF.jsp?arnumber=2"></frameset></html>\n',
            "3": b"<html><frameset>" + frame + b"</frameset>" + b"<!-- padding -->" * 4500 + b"</html>\n",
            "4": b"<html><body>No frames here.</body></html>\n",
        }.get(number)
        if page is None:
            return self.send(404, b"not found\n", "text/plain")
        return self.send(200, page, "text/html", [("Set-Cookie", COOKIE + "; Path=/")])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lifetime", type=float, default=120.0)
    parser.add_argument("--docroot", required=True)
    parser.add_argument("--delay", type=float, default=0.0)
    parser.add_argument("--hosts", type=int, default=1, choices=range(1, 9))
    args = parser.parse_args()

    for name, body in (("sample.pdf", PDF), ("sample.html", HTML), ("sample.txt", TEXT)):
        with open(os.path.join(args.docroot, name), "wb") as f:
            f.write(body)
    counts, lock = {}, threading.Lock()

    def serve(address, port):
        server = ThreadingHTTPServer((address, port), Handler)
        server.daemon_threads = True
        server.docroot = args.docroot
        server.delay = args.delay
        server.lifetime = args.lifetime
        server.counts, server.lock = counts, lock
        # A client that gives up a request is what several tests are about.
        server.handle_error = lambda request, client_address: None
        return server

    server = serve("127.0.0.1", 0)
    port = server.server_address[1]
    for n in range(2, args.hosts + 1):
        other = serve("127.0.0.%d" % n, port)
        threading.Thread(target=other.serve_forever, daemon=True).start()
    # Stops by itself whatever happens to the process that started it.
    stopper = threading.Timer(args.lifetime, lambda: os._exit(0))
    stopper.daemon = True
    stopper.start()
    sys.stdout.write("%d\n" % port)
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
