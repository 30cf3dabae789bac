#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A WebDAV server that speaks only Digest authentication (MD5, qop=auth) for tst_davclient:
# user alice, password secret. Every PROPFIND is answered with a multistatus whose
# supported-address-data lists the vCard versions given as the argument ("4.0", "3.0,4.0").
# Prints its port, then serves until killed.
import hashlib
import http.server
import re
import secrets
import sys

USER, PASSWORD, REALM = "alice", "secret", "vardelin-test"
VERSIONS = sys.argv[1].split(",")
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

    def do_PROPFIND(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if not self.authorised():
            challenge = f'Digest realm="{REALM}", nonce="{NONCE}", qop="auth", algorithm=MD5'
            self.reply(401, headers=[("WWW-Authenticate", challenge)])
            return
        types = "".join(f'<C:address-data-type content-type="text/vcard" version="{version}"/>'
                        for version in VERSIONS)
        body = ('<?xml version="1.0" encoding="utf-8"?>'
                '<D:multistatus xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">'
                f'<D:response><D:href>{self.path}</D:href><D:propstat><D:prop>'
                f'<C:supported-address-data>{types}</C:supported-address-data>'
                '</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>'
                '</D:multistatus>').encode()
        self.reply(207, body, [("Content-Type", "application/xml; charset=utf-8")])


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_port, flush=True)
server.serve_forever()
