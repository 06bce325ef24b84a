#!/usr/bin/env python3
"""The recorder's pages served by busybox httpd, the web server of many small devices.

    python3 tools/busybox_recorder.py setup DIR
        writes the site into DIR/www, its CGI wrapper DIR/cgi and an empty DIR/httpd.conf; then
        busybox httpd -f -p 127.0.0.1:PORT -h DIR/www -c DIR/httpd.conf

The pages and the booking rules are the simulator's (tools/recorder_sim.py), in Shift_JIS.
busybox serves the frame set, the list, the title and the images as files. It runs an interpreter
only by a file's suffix, and the form's target sits next to the menu (the program posts to the
menu's folder), so DIR/www/program/rsv/httpd.conf hands every .htm there to this script as a CGI:
the menu and the form pages are passed through as written, and POST /program/rsv/entry.htm books:
it answers the acceptance or the refusal page, appends "accepted BODY" or "refused BODY" (the form
body as received) to DIR/posts.log and rewrites the list page. GET /_sim/reset.htm brings back the
two weekly reservations and empties DIR/posts.log.

On the wire (busybox 1.35, curl -v and a raw socket): a file comes as "HTTP/1.1 200 OK" with Date,
Connection: close, Content-type, Accept-Ranges, Last-Modified, ETag and Content-Length. A CGI
answer is "HTTP/1.1 200 OK" followed by the script's own header lines only (here Content-Type):
no Content-Length, no Date, no Connection; the body ends where busybox closes (FIN, no reset).
"""

import fcntl
import os
import shlex
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import recorder_sim as sim  # noqa: E402

CGI_DIRS = ("/program/rsv", "/_sim")
RESET_PATH = "/_sim/reset.htm"
SLOTS = 32


def write_atomically(path, data):
    # busybox may be sending the old file while the CGI writes the new one.
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def encoded(text):
    return text.encode(sim.ENCODING, "replace")


def write_list(root, recorder):
    write_atomically(os.path.join(root, "www", sim.LIST_PATH.lstrip("/")),
                     encoded(sim.list_page(recorder.bookings, recorder.slots)))


def reset(root):
    recorder = sim.Recorder(SLOTS, os.path.join(root, "reservations.json"))
    recorder.reset(seed=True)
    write_list(root, recorder)
    open(os.path.join(root, "posts.log"), "wb").close()


def setup(root):
    root = os.path.abspath(root)
    www = os.path.join(root, "www")
    pages = {
        "/index.html": sim.top_page(),
        sim.FRAMESET_PATH: sim.frameset_page(),
        sim.TITLE_PATH: sim.title_page(),
        sim.MENU_PATH: sim.menu_page(),
        sim.FORM_PATH: sim.form_frame_page(),
        sim.INPUT_PATH: sim.input_page(),
        # busybox runs the interpreter only for a file that exists.
        sim.ENTRY_PATH: "", RESET_PATH: "",
    }
    for d in CGI_DIRS + ("/img/parts",):
        os.makedirs(www + d, exist_ok=True)
    for path, text in pages.items():
        write_atomically(www + path, encoded(text))
    for path in (sim.CHECK_ON, sim.CHECK_OFF):
        write_atomically(www + path, sim.GIF_1X1)
    cgi = os.path.join(root, "cgi")
    with open(cgi, "w") as f:
        f.write("#!/bin/sh\nexec %s\n" % " ".join(
            shlex.quote(a) for a in (sys.executable, os.path.abspath(__file__), "cgi", root)))
    os.chmod(cgi, 0o755)
    for d in CGI_DIRS:
        with open(www + d + "/httpd.conf", "w") as f:
            f.write("*.htm:%s\n" % cgi)
    open(os.path.join(root, "httpd.conf"), "w").close()
    reset(root)


def answer(page, status="200 OK"):
    out = sys.stdout.buffer
    if not status.startswith("200"):
        # busybox writes "HTTP/1.1 200 OK" itself unless the output starts with a status line.
        out.write(b"HTTP/1.1 " + status.encode("latin-1") + b"\r\n")
    out.write(b"Content-Type: " + sim.HTML_TYPE.encode("latin-1") + b"\r\n\r\n" +
              (page if isinstance(page, bytes) else encoded(page)))
    out.flush()


def cgi(root):
    path = os.environ.get("SCRIPT_NAME", "")
    method = os.environ.get("REQUEST_METHOD", "")
    # One request at a time changes the reservations, the log and the list page.
    with open(os.path.join(root, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if path == RESET_PATH:
            reset(root)
            answer(sim.page("reset", "<body>\n</body>"))
        elif path != sim.ENTRY_PATH:
            with open(os.environ["SCRIPT_FILENAME"], "rb") as f:
                answer(f.read())
        elif method != "POST":
            answer(sim.status_page(405), "405 Method Not Allowed")
        else:
            body = sys.stdin.buffer.read(int(os.environ.get("CONTENT_LENGTH") or 0))
            recorder = sim.Recorder(SLOTS, os.path.join(root, "reservations.json"))
            accepted, message = recorder.book(body)
            with open(os.path.join(root, "posts.log"), "ab") as log:
                log.write(b"%s %s\n" % (b"accepted" if accepted else b"refused", body))
            write_list(root, recorder)
            answer(sim.accepted_page(message) if accepted else sim.refused_page(message))
    return 0


def main(argv):
    if len(argv) == 3 and argv[1] == "setup":
        setup(argv[2])
        return 0
    if len(argv) >= 3 and argv[1] == "cgi":
        return cgi(argv[2])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
