#!/usr/bin/env python3
"""A local HTTP server for the download and update tests.

Serves the files of one folder on 127.0.0.1 on a free port and prints the port number as its first line of
output. Leading path segments select a failure mode; they can be stacked ("/redirect/redirect/x"):

  /404/<path>               answers 404 Not Found
  /status/<code>/<path>     answers with that status and an empty body
  /cut/<path>               announces the whole file but sends only its first half, then closes
  /stall/<s>/<path>         sends nothing for <s> seconds, then closes
  /stallbody/<s>/<path>     sends the headers and the first half of the file, then nothing for <s> seconds
  /slow/<n>/<path>          announces the whole file and sends it at <n> bytes a second
  /endless/<path>           sends the file without announcing its size, then zeros until the client goes (at most
                            2 GiB)
  /redirect/<path>          answers 302 with Location: /<path>
  /junk/<path>              answers 200 with 5000 random bytes
  /nolength/<path>          sends the file without announcing its size, then closes
  /agent                    answers 200 with the request's User-Agent as the body
  /only/<name>/<mode>/...   the failure mode (with its argument) for a file of that name only; every other file
                            below it is served as if the two segments were not there
  /stopafter/<name>/...     serves the files below it; when the file of that name is asked for, the server stops
                            listening before it answers, so that every later connection is refused as by a stopped
                            server

The server ends when its standard input closes (the test that started it ended, however it ended) or on SIGTERM;
with --no-stdin-watch, or with a terminal as its standard input (where reading it would stop a server started in
the background), only on SIGTERM or Ctrl-C. Python standard library only.
"""

import argparse
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote, urlsplit


def make_handler(root):
    root = os.path.realpath(root)

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, format, *args):  # noqa: A002 - the base class names it so
            pass

        def do_GET(self):  # noqa: N802 - the base class names it so
            try:
                segments = [s for s in unquote(urlsplit(self.path).path).split("/") if s]
                self.answer(segments)
            except (ConnectionError, TimeoutError):
                pass

        def answer(self, segments):
            mode = segments[0] if segments else ""
            rest = segments[1:]
            if mode == "only" and len(rest) >= 2:
                name, failure = rest[0], rest[1:]
                width = 2 if failure[0] in ("status", "stall", "stallbody", "slow") else 1
                target = failure[width:]
                self.answer(failure if target and target[-1] == name else target)
            elif mode == "stopafter" and len(rest) >= 2:
                if rest[-1] == rest[0]:
                    self.stop_listening()
                self.answer(rest[1:])
            elif mode == "404":
                self.send_empty(404)
            elif mode == "status" and rest and rest[0].isdigit():
                self.send_empty(int(rest[0]))
            elif mode == "redirect":
                self.send_response(302)
                self.send_header("Location", "/" + "/".join(rest))
                self.send_header("Content-Length", "0")
                self.end_headers()
            elif mode == "junk":
                self.send_body(os.urandom(5000))
            elif mode == "agent":
                self.send_body(self.headers.get("User-Agent", "").encode("utf-8"))
            elif mode == "stall" and rest and rest[0].isdigit():
                time.sleep(int(rest[0]))
                self.close_connection = True
            elif mode == "nolength":
                body = self.read_file(rest)
                if body is not None:
                    self.send_response(200)
                    self.send_header("Connection", "close")
                    self.end_headers()
                    self.wfile.write(body)
                    self.close_connection = True
            elif mode == "slow" and rest and rest[0].isdigit():
                body = self.read_file(rest[1:])
                if body is not None:
                    self.send_slowly(body, int(rest[0]))
            elif mode == "endless":
                body = self.read_file(rest)
                if body is not None:
                    self.send_endless(body)
            elif mode == "cut":
                body = self.read_file(rest)
                if body is not None:
                    self.send_cut(body, stall_seconds=0)
            elif mode == "stallbody" and rest and rest[0].isdigit():
                body = self.read_file(rest[1:])
                if body is not None:
                    self.send_cut(body, stall_seconds=int(rest[0]))
            else:
                body = self.read_file(segments)
                if body is not None:
                    self.send_body(body)

        def stop_listening(self):
            # Waits for the accepting loop to end (at most its poll interval), then closes the listening socket.
            self.server.shutdown()
            self.server.server_close()

        def read_file(self, segments):
            path = os.path.realpath(os.path.join(root, *segments))
            if not path.startswith(root + os.sep) or not os.path.isfile(path):
                self.send_empty(404)
                return None
            with open(path, "rb") as file:
                return file.read()

        def send_empty(self, status):
            self.send_response(status)
            self.send_header("Content-Length", "0")
            self.end_headers()

        def send_body(self, body):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def send_cut(self, body, stall_seconds):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            time.sleep(stall_seconds)
            self.close_connection = True

        def send_slowly(self, body, bytes_per_second):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            # A tenth of the rate every tenth of a second: steady enough for a client's low-speed limit.
            step = max(1, bytes_per_second // 10)
            for start in range(0, len(body), step):
                self.wfile.write(body[start : start + step])
                self.wfile.flush()
                time.sleep(0.1)

        def send_endless(self, body):
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
            zeros = bytes(1 << 20)
            for _ in range(2048):
                self.wfile.write(zeros)
            self.close_connection = True

    return Handler


def exit_when_stdin_closes():
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder", help="the folder whose files are served")
    parser.add_argument("--no-stdin-watch", action="store_true", help="keep running when standard input closes")
    args = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", 0), make_handler(args.folder))
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    if not args.no_stdin_watch and not sys.stdin.isatty():
        threading.Thread(target=exit_when_stdin_closes, daemon=True).start()
    server.serve_forever(poll_interval=0.1)
    # Only a stop of listening ends the loop: the answer that stopped it is still being sent, and the process
    # ends when its standard input closes or on SIGTERM.
    threading.Event().wait()


if __name__ == "__main__":
    main()
