#!/usr/bin/env python3
"""A small web server for the storefront's tests: serves a folder on 127.0.0.1 with ETag and
Last-Modified, answers 304 to a matching If-None-Match or If-Modified-Since, and misbehaves on
request. Usage: catalogue_server.py FOLDER; prints the port it listens on, then serves until
it is terminated.

FOLDER/.rules holds lines "PATH RULE [ARGUMENT]" read at every request:
  /x status 503        answer with that status and no body
  /x delay 2.5         wait that many seconds before answering
  /x truncate          promise the whole file, send half of it and close
  /x redirect /y       answer 302 with Location /y
FOLDER/.log receives one line per request: "METHOD PATH STATUS".
"""
import email.utils
import hashlib
import http.server
import os
import sys
import time

ROOT = os.path.abspath(sys.argv[1])


def rules_for(path):
    rules = {}
    try:
        with open(os.path.join(ROOT, ".rules")) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 2 and parts[0] == path:
                    rules[parts[1]] = parts[2] if len(parts) > 2 else ""
    except FileNotFoundError:
        pass
    return rules


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, headers=(), body=b"", send=None):
        with open(os.path.join(ROOT, ".log"), "a") as log:
            log.write(f"GET {self.path} {status}\n")
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body if send is None else body[:send])
        self.wfile.flush()

    def do_GET(self):
        path = self.path.split("?")[0]
        rules = rules_for(path)
        if "delay" in rules:
            time.sleep(float(rules["delay"]))
        if "status" in rules:
            return self.answer(int(rules["status"]))
        if "redirect" in rules:
            return self.answer(302, [("Location", rules["redirect"])])
        file = os.path.normpath(os.path.join(ROOT, path.lstrip("/")))
        if not file.startswith(ROOT + os.sep) or not os.path.isfile(file):
            return self.answer(404)
        with open(file, "rb") as f:
            body = f.read()
        etag = '"' + hashlib.sha256(body).hexdigest()[:16] + '"'
        modified = email.utils.formatdate(int(os.path.getmtime(file)), usegmt=True)
        headers = [("ETag", etag), ("Last-Modified", modified), ("Cache-Control", "no-cache")]
        if self.headers.get("If-None-Match") == etag:
            return self.answer(304, headers)
        if "truncate" in rules:
            self.close_connection = True
            return self.answer(200, headers, body, send=len(body) // 2)
        self.answer(200, headers, body)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
