#!/usr/bin/python3
"""The advert host for trying the game's network side and for its tests.

Serves a folder of adverts over HTTP on a loopback port it chooses (or the
one given) and prints "HOST:PORT" on the first line of its output once it
listens. Contract: a POST to PATH/index.php whose multipart/form-data body
holds a field "filename" naming a file of the folder gets 200 and the file's
bytes; anything else gets 404.

Hostile modes, for the tests of the client's defences:
  names      serves an index.xml whose references climb out of the advert
             folder ("../" names, absolute names, names with ':') and
             answers every requested name, whatever it is, with 200
  endless    answers 200 with a body that never ends (until the client
             hangs up)
  garbage    answers with random bytes (no line end) and no HTTP header
  bigheader  answers with a header line longer than 64 KiB
  short      answers 200 with a Content-Length larger than the body sent
  silent     accepts connections and never answers
  cutindex   answers index.xml with only its first --cut bytes (default 30:
             inside the XML declaration or a leading comment), and a
             Content-Length that matches what is sent; other files as normal
  portal     answers every request with 200 and a well-formed HTML page, as
             a network's login portal does
  cutbody    answers without Content-Length, ending the body by closing the
             connection (as HTTP/1.0 allows); files other than XML files are
             cut halfway
  manynames  serves an index.xml that names --names pictures (default
             20000), each a few bytes of real picture; other files as normal
  bigpictures
             serves an index.xml that names --names pictures, each a real
             PNG of --side x --side pixels (default 4096) of one colour, a
             few tens of kilobytes that decode to tens of megabytes
  bombpictures
             serves an index.xml that names --names pictures, each a PNG of
             1 x 1 pixel whose image data inflates to --inflate MiB
             (default 1024) of zeros after its one row: about a thousandth
             of that to send
  textbombs  serves an index.xml that names --names pictures, each a real
             PNG of 1 x 1 pixel holding --chunks compressed text chunks
             (default 100, zTXt and iTXt by turns) that inflate to
             --text-inflate MiB each (default 64): about 64 KB a chunk to
             send, 6.4 MB a picture
The pictures of these two are made once, at start, from one compressed run
repeated: a few milliseconds and a few megabytes of memory, shared by every
name served.
  padded     serves an index.xml that names --names pictures, each a real PNG
             of 8 x 8 pixels followed by --pad MiB of zeros (default 63) in
             the same body, sent as it goes, never held in memory
"""

import argparse
import os
import random
import socket
import struct
import sys
import threading
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HOSTILE_INDEX = b"""<?xml version="1.0"?>
<ads>
  <sprite name="a" file="Backup/Ads/../escaped.png"/>
  <sprite name="b" file="Backup/Ads/../../escaped2.png"/>
  <sprite name="c" file="Backup/Ads//tmp/absolute.png"/>
  <sprite name="d" file="/tmp/absolute2.png"/>
  <sprite name="e" file="Backup/Ads/C:/drive.png"/>
  <sprite name="f" file="Backup/AdsTmp/outside.png"/>
  <sprite name="g" file="Backup/Ads/sub/..\\..\\escaped3.png"/>
  <sprite name="h" file="Backup/Ads/kept.png"/>
</ads>
"""


PORTAL_PAGE = b"""<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml">
  <head><title>Welcome to the network</title></head>
  <body>
    <h1>Please sign in</h1>
    <form action="http://portal.invalid/login" method="post">
      <input type="text" name="user"/><input type="submit" value="Sign in"/>
    </form>
  </body>
</html>
"""

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def flat_png(side):
    """A side x side PNG of one colour: small to send, large to decode."""
    row = b"\x00" + b"\x20\x60\xa0" * side
    packer = zlib.compressobj(9)
    data = b"".join(packer.compress(row) for _ in range(side)) + packer.flush()
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
            png_chunk(b"IDAT", data) + png_chunk(b"IEND", b""))


# The run of bytes the bombs repeat; each copy inflates to this many bytes.
BOMB_RUN = 1 << 20


def repeated_zlib(head, byte, count):
    """A zlib stream of head followed by count copies of byte. It is made of
    one compressed run repeated: a full flush ends each run on a byte and
    keeps it from referring back before its start, so copies of it follow
    one another in one stream. The checksum is worked out, not computed over
    the data."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    first = packer.compress(head) + packer.flush(zlib.Z_FULL_FLUSH)
    whole, rest = divmod(count, BOMB_RUN)
    run = packer.compress(byte * BOMB_RUN) + packer.flush(zlib.Z_FULL_FLUSH) if whole else b""
    last = packer.compress(byte * rest) + packer.flush(zlib.Z_FINISH)
    # Adler-32 (RFC 1950) of head, then of count more bytes of one value.
    base = 65521
    check = zlib.adler32(head)
    a, b, c = check & 0xFFFF, check >> 16, byte[0]
    b = (b + count * a + c * (count * (count + 1) // 2)) % base
    a = (a + count * c) % base
    return b"\x78\xda" + first + run * whole + last + struct.pack(">I", (b << 16) | a)


def png_1x1(chunks=b"", image_data=None):
    """A 1 x 1 red PNG, with chunks before its image data, whose image data
    may be given."""
    if image_data is None:
        image_data = zlib.compress(b"\x00\xff\x00\x00")
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)) + chunks +
            png_chunk(b"IDAT", image_data) + png_chunk(b"IEND", b""))


# A 1 x 1 red PNG picture.
TINY_PNG = png_1x1()


def bomb_png(mebibytes):
    """A 1 x 1 PNG whose image data goes on with mebibytes MiB of zeros
    after its row."""
    return png_1x1(image_data=repeated_zlib(b"\x00\x20\x60\xa0", b"\x00", mebibytes << 20))


def text_bomb_png(chunks, mebibytes):
    """A 1 x 1 PNG holding chunks compressed text chunks of mebibytes MiB
    each, zTXt and iTXt by turns."""
    text = repeated_zlib(b"", b"a", mebibytes << 20)
    # zTXt: keyword, method 0; iTXt: keyword, compressed, method 0, no
    # language, no translated keyword.
    kinds = [png_chunk(b"zTXt", b"Comment\x00\x00" + text), png_chunk(b"iTXt", b"Comment\x00\x01\x00\x00\x00" + text)]
    return png_1x1(chunks=b"".join(kinds[i % 2] for i in range(chunks)))


def many_names_index(count):
    """An advert page naming count pictures of the set."""
    lines = [b'<?xml version="1.0"?>\n<advert>\n']
    for i in range(count):
        lines.append(b'  <img name="p%d" file="Backup/Ads/p%d.png"/>\n' % (i, i))
    lines.append(b"</advert>\n")
    return b"".join(lines)


def multipart_fields(content_type, body):
    """The text fields of a multipart/form-data body, as a dict."""
    boundary = None
    for part in content_type.split(";"):
        part = part.strip()
        if part.startswith("boundary="):
            boundary = part[len("boundary="):].strip('"')
    if not boundary:
        return {}
    fields = {}
    delimiter = b"--" + boundary.encode("latin-1")
    for chunk in body.split(delimiter):
        if chunk.startswith(b"--") or b"\r\n\r\n" not in chunk:
            continue
        head, _, value = chunk.partition(b"\r\n\r\n")
        if value.endswith(b"\r\n"):
            value = value[:-2]
        name = None
        for line in head.split(b"\r\n"):
            if line.lower().startswith(b"content-disposition:"):
                for item in line.split(b";"):
                    item = item.strip()
                    if item.startswith(b"name="):
                        name = item[5:].strip(b'"').decode("latin-1")
        if name is not None and name not in fields:
            fields[name] = value
    return fields


class AdvertServer(ThreadingHTTPServer):
    daemon_threads = True
    closed = False
    # The game opens a connection for every file of a set at once.
    request_queue_size = 512

    def verify_request(self, request, client_address):
        return not self.closed


class AdvertHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "KyAdvertServer"

    def log_message(self, format, *args):
        if self.server.verbose:
            sys.stderr.write("advert_server: " + (format % args) + "\n")

    def not_found(self):
        self.send_response(404)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        self.not_found()

    def handle(self):
        super().handle()
        with self.server.lock:
            self.server.requests += 1
            if self.server.max_requests and self.server.requests >= self.server.max_requests:
                # This answer is out, and its connection still open: no
                # connection made from now on is answered.
                self.server.closed = True
                try:
                    self.server.socket.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                threading.Thread(target=self.server.shutdown, daemon=True).start()

    def do_POST(self):
        mode = self.server.mode
        if mode == "silent":
            # Hold the connection open without a word until the client gives up.
            self.server.hold.wait()
            return
        length = int(self.headers.get("Content-Length", "0") or "0")
        body = self.rfile.read(min(length, 1 << 20)) if length > 0 else b""
        if mode == "garbage":
            # Random bytes without a line end: never mistaken for a header.
            rng = random.Random(len(body))
            self.wfile.write(bytes(rng.choice(range(11, 256)) for _ in range(4096)))
            return
        if mode == "bigheader":
            self.wfile.write(b"HTTP/1.0 200 OK\r\nX-Filler: " + b"x" * (70 * 1024) + b"\r\n\r\nbody")
            return
        if mode == "endless":
            self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
            block = b"\0" * 65536
            try:
                while True:
                    self.wfile.write(block)
            except OSError:
                return
        if self.path != self.server.path + "/index.php":
            self.not_found()
            return
        fields = multipart_fields(self.headers.get("Content-Type", ""), body)
        name = fields.get("filename")
        if name is None:
            self.not_found()
            return
        name = name.decode("latin-1")
        if mode == "names":
            data = HOSTILE_INDEX if name == "index.xml" else b"hostile " + name.encode("latin-1")
            self.send(data)
            return
        if mode == "portal":
            self.send(PORTAL_PAGE)
            return
        if mode == "padded" and name != "index.xml":
            self.send_padded(self.server.big_png, self.server.pad << 20)
            return
        if mode in ("manynames", "bigpictures", "bombpictures", "textbombs", "padded"):
            if name == "index.xml":
                self.send(many_names_index(self.server.names))
            else:
                self.send(TINY_PNG if mode == "manynames" else self.server.big_png)
            return
        data = self.read_file(name)
        if data is None:
            self.not_found()
            return
        if mode == "short":
            self.send_response(200)
            self.send_header("Content-Length", str(len(data) + 100))
            self.end_headers()
            self.wfile.write(data)
            return
        if mode == "cutindex" and name == "index.xml":
            self.send(data[:self.server.cut])
            return
        if mode == "cutbody":
            # No Content-Length: the body ends where the connection does.
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.end_headers()
            self.wfile.write(data if name.endswith(".xml") else data[:len(data) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        self.send(data)

    def send(self, data):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def send_padded(self, data, zeros):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data) + zeros))
        self.end_headers()
        block = b"\0" * 65536
        try:
            self.wfile.write(data)
            while zeros > 0:
                self.wfile.write(block[:min(zeros, len(block))])
                zeros -= min(zeros, len(block))
        except OSError:
            # The client hung up once it had what it may take.
            pass

    def read_file(self, name):
        """The bytes of a file inside the served folder, or None."""
        root = os.path.realpath(self.server.root)
        path = os.path.realpath(os.path.join(root, name))
        parts = name.replace("\\", "/").split("/")
        if (os.path.isabs(name) or ".." in parts or ":" in name or not path.startswith(root + os.sep)
                or not os.path.isfile(path)):
            return None
        with open(path, "rb") as f:
            return f.read()


def main():
    parser = argparse.ArgumentParser(
        description="Serves a folder of adverts to the game over HTTP on a loopback port.",
        epilog=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", default=".", help="the folder of adverts served (default: the current folder)")
    parser.add_argument("--host", default="127.0.0.1", help="the address listened on (default: 127.0.0.1)")
    parser.add_argument("--port", type=int, default=0, help="the port (default: 0, a free port chosen)")
    parser.add_argument("--path", default="/Orvalen3/PC/Part3/Ads",
                        help="the path before /index.php (default: /Orvalen3/PC/Part3/Ads)")
    parser.add_argument("--mode", default="normal",
                        choices=["normal", "names", "endless", "garbage", "bigheader", "short", "silent",
                                 "cutindex", "portal", "cutbody", "manynames", "bigpictures", "bombpictures",
                                 "textbombs", "padded"],
                        help="normal, or one of the hostile modes below")
    parser.add_argument("--cut", type=int, default=30,
                        help="bytes of index.xml sent in the cutindex mode (default: 30)")
    parser.add_argument("--names", type=int, default=20000,
                        help="pictures named by the index in the manynames, bigpictures, bombpictures, "
                        "textbombs and padded modes (default: 20000)")
    parser.add_argument("--side", type=int, default=4096,
                        help="width and height of the pictures of the bigpictures mode (default: 4096)")
    parser.add_argument("--inflate", type=int, default=1024,
                        help="MiB of zeros the pictures of the bombpictures mode inflate to (default: 1024)")
    parser.add_argument("--chunks", type=int, default=100,
                        help="compressed text chunks in each picture of the textbombs mode (default: 100)")
    parser.add_argument("--text-inflate", type=int, default=64,
                        help="MiB each text chunk of the textbombs mode inflates to (default: 64)")
    parser.add_argument("--pad", type=int, default=63,
                        help="MiB of zeros after each picture of the padded mode (default: 63)")
    parser.add_argument("--max-requests", type=int, default=0,
                        help="stop after answering this many requests (default: 0, never)")
    parser.add_argument("--verbose", action="store_true", help="log every request on standard error")
    args = parser.parse_args()

    if not os.path.isdir(args.root):
        parser.error("no such folder: " + args.root)
    server = AdvertServer((args.host, args.port), AdvertHandler)
    server.root = args.root
    server.path = args.path.rstrip("/")
    server.mode = args.mode
    server.max_requests = args.max_requests
    server.cut = max(0, args.cut)
    server.names = max(0, args.names)
    server.pad = max(0, args.pad)
    # The one picture every name of these modes is answered with.
    server.big_png = b""
    if args.mode == "bigpictures":
        server.big_png = flat_png(max(1, args.side))
    elif args.mode == "bombpictures":
        server.big_png = bomb_png(max(0, args.inflate))
    elif args.mode == "padded":
        server.big_png = flat_png(8)
    elif args.mode == "textbombs":
        server.big_png = text_bomb_png(max(0, args.chunks), max(0, args.text_inflate))
    server.requests = 0
    server.lock = threading.Lock()
    server.hold = threading.Event()
    server.verbose = args.verbose
    host, port = server.server_address[:2]
    print("%s:%d" % (host, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.hold.set()
        server.server_close()


if __name__ == "__main__":
    main()
