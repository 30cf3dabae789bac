#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A WebDAV server that speaks only Digest authentication (MD5, qop=auth) for the sync tests:
# user alice, password secret. A PROPFIND for supported-address-data is answered with the vCard
# versions given as the first argument ("4.0", "3.0,4.0"). With a second argument, the URL of a
# real server (Radicale, Basic authentication, the same user), every other request is passed
# on to it; without one, every other request gets 404. Prints its port, then serves until
# killed.
import hashlib
import http.server
import re
import base64
import secrets
import sys
import urllib.error
import urllib.request

USER, PASSWORD, REALM = "alice", "secret", "vardelin-test"
VERSIONS = sys.argv[1].split(",")
UPSTREAM = sys.argv[2].rstrip("/") if len(sys.argv) > 2 else None
PASSED_ON = ("Content-Type", "Depth", "If-Match", "If-None-Match")
NONCE = secrets.token_hex(16)


def md5(text):
    return hashlib.md5(text.encode()).hexdigest()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def authorised(self):
        header = self.headers.get("Authorization", "")
        if not header.startswith("Digest "):
            return False
        fields = {name: quoted or bare for name, quoted, bare in
                  re.findall(r'(\w+)=(?:"([^"]*)"|([^,\s]*))', header[7:])}
        if fields.get("username") != USER or fields.get("nonce") != NONCE:
            return False
        ha1 = md5(f"{USER}:{REALM}:{PASSWORD}")
        ha2 = md5(f"{self.command}:{fields.get('uri', '')}")
        expected = md5(":".join([ha1, NONCE, fields.get("nc", ""), fields.get("cnonce", ""),
                                 fields.get("qop", ""), ha2]))
        return fields.get("response") == expected

    def reply(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if not self.authorised():
            challenge = f'Digest realm="{REALM}", nonce="{NONCE}", qop="auth", algorithm=MD5'
            self.reply(401, headers=[("WWW-Authenticate", challenge)])
        elif self.command == "PROPFIND" and b"supported-address-data" in body:
            self.versions()
        elif UPSTREAM:
            self.pass_on(body)
        else:
            self.reply(404)

    do_PROPFIND = do_REPORT = do_GET = do_PUT = do_DELETE = do_OPTIONS = handle_any

    def pass_on(self, body):
        request = urllib.request.Request(UPSTREAM + self.path, data=body or None,
                                         method=self.command)
        for name in PASSED_ON:
            if name in self.headers:
                request.add_header(name, self.headers[name])
        basic = base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()
        request.add_header("Authorization", "Basic " + basic)
        try:
            with urllib.request.urlopen(request) as answer:
                status, headers, text = answer.status, answer.headers, answer.read()
        except urllib.error.HTTPError as refused:
            status, headers, text = refused.code, refused.headers, refused.read()
        self.reply(status, text, [(name, headers[name]) for name in ("Content-Type", "ETag")
                                  if headers.get(name)])

    def versions(self):
        types = "".join(f'<C:address-data-type content-type="text/vcard" version="{version}"/>'
                        for version in VERSIONS)
        body = ('<?xml version="1.0" encoding="utf-8"?>'
                '<D:multistatus xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">'
                f'<D:response><D:href>{self.path}</D:href><D:propstat><D:prop>'
                f'<C:supported-address-data>{types}</C:supported-address-data>'
                '</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>'
                '</D:multistatus>').encode()
        self.reply(207, body, [("Content-Type", "application/xml; charset=utf-8")])


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_port, flush=True)
server.serve_forever()
