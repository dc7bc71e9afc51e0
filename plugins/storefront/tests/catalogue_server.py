#!/usr/bin/env python3
# A small web server for the storefront's tests: serves a folder on 127.0.0.1 with ETag and
# Last-Modified, answers 304 to a matching If-None-Match, and misbehaves on request.
# Usage: catalogue_server.py FOLDER; prints the port it listens on and its process id, then
# serves until it is terminated or the process that started it ends.
#
# FOLDER/.rules holds lines "PATH RULE [ARGUMENT]" read at every request:
#   /x status 503        answer with that status and no body
#   /x truncate          promise the whole file, send half of it and close
#   /x redirect /y       answer 302 with Location /y
# FOLDER/.log receives one line per request: "GET PATH STATUS".
import ctypes
import email.utils
import hashlib
import http.server
import os
import signal
import sys

ROOT = os.path.abspath(sys.argv[1])
PR_SET_PDEATHSIG = 1


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_request(self, code="-", size="-"):
        with open(os.path.join(ROOT, ".log"), "a") as log:
            log.write(f"GET {self.path} {int(code)}\n")

    def log_message(self, *args):
        pass

    def answer(self, status, headers=(), body=b"", send=None):
        self.send_response(status)
        for name, value in [*headers, ("Content-Length", str(len(body)))]:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body[:send])

    def do_GET(self):
        path = self.path.split("?")[0]
        rules = {}
        if os.path.isfile(os.path.join(ROOT, ".rules")):
            with open(os.path.join(ROOT, ".rules")) as f:
                rules = {p[1]: p[2:] for p in map(str.split, f) if len(p) > 1 and p[0] == path}
        if "status" in rules:
            return self.answer(int(rules["status"][0]))
        if "redirect" in rules:
            return self.answer(302, [("Location", rules["redirect"][0])])
        file = os.path.normpath(os.path.join(ROOT, path.lstrip("/")))
        if not file.startswith(ROOT + os.sep) or not os.path.isfile(file):
            return self.answer(404)
        with open(file, "rb") as f:
            body = f.read()
        etag = '"' + hashlib.sha256(body).hexdigest()[:16] + '"'
        modified = email.utils.formatdate(int(os.path.getmtime(file)), usegmt=True)
        headers = [("ETag", etag), ("Last-Modified", modified)]
        if self.headers.get("If-None-Match") == etag:
            return self.answer(304, headers)
        if "truncate" in rules:
            self.close_connection = True
            return self.answer(200, headers, body, send=len(body) // 2)
        self.answer(200, headers, body)


# A test program that is killed must not leave its server behind.
ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], os.getpid(), flush=True)
server.serve_forever()
