"""Tests of the recorder simulator: its pages as the program's readers see them, bookings and
refusals, authorization, the failure controls, remote keys and state across runs."""

import http.client
import json
import os
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from html.parser import HTMLParser
from pathlib import Path

SIM = Path(__file__).resolve().parents[2] / "tools" / "recorder_sim.py"
CHECK_ON = "/img/parts/check_on.gif"


class Simulator:
    READY_SECONDS = 15

    def __init__(self, *args):
        self.proc = subprocess.Popen([sys.executable, str(SIM), "--port", "0", *args],
                                     stdout=subprocess.PIPE, text=True)
        try:
            self.line = self._ready_line()
            match = re.fullmatch(r"recorder simulator listening on http://127\.0\.0\.1:(\d+)",
                                 self.line)
            if not match:
                raise RuntimeError("simulator did not start: %r" % self.line)
            self.port = int(match.group(1))
        except BaseException:
            self.stop()  # never leave the process behind a failed start
            raise

    def _ready_line(self):
        # A simulator that hangs before its ready line must fail the test, not block it.
        ready, _, _ = select.select([self.proc.stdout], [], [], self.READY_SECONDS)
        if not ready:
            raise RuntimeError("simulator printed nothing in %d s" % self.READY_SECONDS)
        return self.proc.stdout.readline().rstrip("\n")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        try:
            code = self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            code = self.proc.wait()
        self.proc.stdout.close()
        return code

    def request(self, method, path, body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            resp = conn.getresponse()
            return resp.status, resp, resp.read()
        finally:
            conn.close()

    def get(self, path, **kw):
        return self.request("GET", path, **kw)

    def control(self, path):
        status, _, body = self.request("POST", "/_sim/" + path)
        return status, json.loads(body.decode("utf-8"))

    def log(self):
        return self.control("log")[1]


def raw_exchange(port, data):
    with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
        s.sendall(data)
        chunks = []
        while True:
            chunk = s.recv(65536)
            if not chunk:
                return b"".join(chunks)
            chunks.append(chunk)


def raw_answer(port, data, wait=10):
    """All the server sends, and how the connection ended: "close", "reset", or "open" when
    nothing more came for `wait` seconds."""
    with socket.create_connection(("127.0.0.1", port), timeout=wait) as s:
        s.sendall(data)
        chunks = []
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    return b"".join(chunks), "close"
                chunks.append(chunk)
        except ConnectionResetError:
            return b"".join(chunks), "reset"
        except socket.timeout:
            return b"".join(chunks), "open"


# ---- How the program reads the pages ---------------------------------------------------

def collapse(text):
    return re.sub(r"[\x00-\x20]+", " ", text).strip(" ")


def tokens(body):
    out = []

    class Collector(HTMLParser):
        def handle_starttag(self, tag, attrs):
            out.append(("start", tag, {k: v or "" for k, v in attrs}))

        def handle_endtag(self, tag):
            out.append(("end", tag, None))

        def handle_data(self, data):
            out.append(("text", data, None))

    parser = Collector()
    parser.feed(body.decode("cp932"))
    parser.close()
    return out


def frames(body):
    return [(a.get("name", ""), a.get("src", "")) for k, n, a in tokens(body)
            if k == "start" and n == "frame"]


def last_link(body):
    links = [a.get("href", "") for k, n, a in tokens(body) if k == "start" and n == "a"]
    return links[-1] if links else ""


def result_message(body):
    """The verdict and message of an answer page, read as the registration walk reads it."""
    pos = body.find(b"msg=")
    if pos < 0:
        pos = body.find(b"alert")
    if pos < 0:
        return False, "Unknown..."
    first = body.index(b'"', pos) + 1
    text = body[first:body.index(b'"', first)].decode("cp932")
    return b"history.back();" not in body, text


def reservation_rows(body):
    """Rows of the reservation table, skipping forward over markup like the list reader."""
    toks, pos, rows = tokens(body), [0], []

    def find(name):
        while pos[0] < len(toks):
            kind, tag, attrs = toks[pos[0]]
            pos[0] += 1
            if kind == "start" and tag == name:
                return attrs
        return None

    def text():
        if pos[0] < len(toks) and toks[pos[0]][0] == "text":
            pos[0] += 1
            return collapse(toks[pos[0] - 1][1])
        return None

    while find("tr") is not None and find("td") is not None:
        number = text()
        img = find("img") if number is not None else None
        if img is None or find("td") is None or find("a") is None:
            break
        title = text()
        if title is None:
            break
        cells = []
        while len(cells) < 6 and find("td") is not None:
            cell = text()
            if cell is None:
                break
            cells.append(cell)
        if not cells or cells[0] in ("", "---"):
            break
        rows.append({"number": int(re.match(r"\d*", number).group() or 0),
                     "enabled": img.get("src") == CHECK_ON, "title": title, "cells": cells})
    return rows


def channel_rows(body):
    """(label, name, mail code, station code) of every row the channel import applies."""
    table = row = cell = 0
    cells, applied = [""] * 5, []
    for kind, name, _ in tokens(body):
        if kind == "start":
            if name == "table":
                table, row, cell = table + 1, 0, 0
            elif name == "tr":
                row, cell = row + 1, 0
            elif name == "td":
                cell += 1
        elif kind == "text":
            if table >= 5 and row >= 3 and 1 <= cell <= 5 and collapse(name):
                cells[cell - 1] = collapse(name)
        elif name == "table":
            row = cell = 0
        elif name == "tr" and table >= 5 and row >= 3:
            if "--" not in (cells[1], cells[2]):
                applied.append(tuple(cells[1:]))
            cells = [""] * 5
    return applied


def url_encode(data):
    reserved = set(b";/?:@&=+!*'(),#%<>\" ")
    return "".join("%%%02X" % c if c < 0x21 or c >= 0x7F or c in reserved else chr(c)
                   for c in data)


def form_body(title="ニュース", channel=4, date="2004/01/31", start=(21, 0), end=(21, 54),
              exec_on=True, drop=None, **override):
    fields = [("bExec", "ON")] if exec_on else []
    fields += [("title_name", url_encode(title.encode("cp932"))), ("channel", channel),
               ("disc", 0), ("dvdr", 1), ("date", url_encode(date.encode())), ("vrate", 3000),
               ("start_hour", start[0]), ("start_minute", start[1]), ("amode", 1),
               ("bVPerform", 1), ("bAutoChapter", 0), ("end_hour", end[0]),
               ("end_minute", end[1]), ("genre", 10), ("detail", "a%0D%0Ab"), ("end_form", 0)]
    fields = [(n, override.get(n, v)) for n, v in fields if n != drop]
    return "&".join("%s=%s" % f for f in fields).encode("ascii")


# ---- Tests ------------------------------------------------------------------------------

class SharedSimulator(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator()
        cls.addClassCleanup(cls.sim.stop)

    def setUp(self):
        self.sim.control("reset")

    def book(self, **kw):
        status, _, body = self.sim.request("POST", "/program/rsv/entry.htm", form_body(**kw))
        self.assertEqual(status, 200)
        return result_message(body)

    def listed(self):
        return reservation_rows(self.sim.get("/program/b_list.htm")[2])


class PageShapeTests(SharedSimulator):
    def test_frameset_has_main_frame_and_the_list_as_last_frame(self):
        status, resp, body = self.sim.get("/program/b_prgrm.htm")
        self.assertEqual(status, 200)
        self.assertEqual(resp.getheader("Content-Type"), "text/html; charset=Shift_JIS")
        self.assertEqual(int(resp.getheader("Content-Length")), len(body))
        found = frames(body)
        main = dict(found)["main"]
        self.assertTrue(main.startswith("/") and all(src.startswith("/") for _, src in found))
        self.assertNotEqual(found[-1][0], "main")
        self.assertEqual(len(reservation_rows(self.sim.get(found[-1][1])[2])), 2)

    def test_walk_reaches_the_form_through_a_relative_link(self):
        main = dict(frames(self.sim.get("/program/b_prgrm.htm")[2]))["main"]
        base = main[:main.rindex("/") + 1]
        link = last_link(self.sim.get(main)[2])
        self.assertFalse(link.startswith("/"), "the menu's last link is relative")
        status, _, form = self.sim.get(base + link)
        self.assertEqual(status, 200)
        self.assertIn("main", dict(frames(form)))
        self.assertEqual(self.sim.request("POST", base + "entry.htm", form_body())[0], 200)
        # The form target exists only in the main frame's directory.
        self.assertEqual(self.sim.request("POST", "/program/entry.htm", form_body())[0], 404)

    def test_list_page_shows_weekly_labels_check_images_and_free_slots(self):
        body = self.sim.get("/program/b_list.htm")[2]
        rows = reservation_rows(body)
        self.assertEqual([r["number"] for r in rows], [1, 2])
        self.assertEqual([r["enabled"] for r in rows], [True, False])
        self.assertEqual([r["cells"][1] for r in rows], ["毎月～金", "毎日曜日"])
        self.assertIn(bytes.fromhex("9688 8C8E 8160 8BE0"), body)
        self.assertTrue(all(len(r["cells"][2].encode("cp932")) == 11 for r in rows))
        self.assertEqual(body.count(b"<tr><td>"), 32, "every slot has a row, free ones read ---")

    def test_channel_page_rows_carry_known_labels_and_skip_unused_positions(self):
        body = self.sim.get("/setup/ch_set.htm")[2]
        self.assertGreaterEqual(body.count(b"<table"), 5)
        rows = channel_rows(body)
        labels = [r[0] for r in rows]
        self.assertIn(("CH1", "東都総合テレビ", "001", "TT01"), rows)
        self.assertIn(("CH10", "M&Kテレビ", "010", "MK10"), rows)
        self.assertIn(("BS3", "衛星第二放送", "103", "BS03"), rows)
        self.assertIn("Line1", labels)
        self.assertNotIn("CH2", labels)
        self.assertTrue(all(re.fullmatch(r"CH\d+|BS(1|3|5|7|9|11|13|15)|Line[123]", label)
                            for label in labels))

    def test_connection_close_is_honoured_and_keep_alive_otherwise(self):
        closing = raw_exchange(self.sim.port, b"GET /program/b_prgrm.htm HTTP/1.1\r\n"
                                              b"Connection: close\r\nhost: x\r\n\r\n")
        self.assertTrue(closing.startswith(b"HTTP/1.1 200 OK\r\n"))
        self.assertIn(b"\r\nConnection: close\r\n", closing)
        conn = http.client.HTTPConnection("127.0.0.1", self.sim.port, timeout=10)
        conn.request("GET", "/remote/remote.htm?key=01")
        resp = conn.getresponse()
        resp.read()
        self.assertIsNone(resp.getheader("Connection"))
        kept = conn.sock
        self.assertIsNotNone(kept, "the connection stays open without Connection: close")
        conn.request("GET", "/remote/remote.htm?key=02")
        self.assertEqual(conn.getresponse().status, 200)
        self.assertIs(conn.sock, kept)
        conn.close()

    def test_absolute_target_from_a_proxy_is_served_and_logged(self):
        answer = raw_exchange(self.sim.port, b"GET http://127.0.0.1:%d/program/b_prgrm.htm "
                              b"HTTP/1.1\r\nConnection: close\r\n\r\n" % self.sim.port)
        self.assertTrue(answer.startswith(b"HTTP/1.1 200"))
        entry = self.sim.log()["requests"][-1]
        self.assertEqual((entry["path"], entry["proxy"]), ("/program/b_prgrm.htm", True))


class BookingTests(SharedSimulator):
    def test_accepted_booking_is_listed_and_logged(self):
        ok, message = self.book(title="ソニ & <x>", channel=4)
        self.assertEqual((ok, message), (True, "予約を登録しました。"))
        row = self.listed()[-1]
        self.assertEqual(row["title"], "ソニ & <x>")
        self.assertEqual(row["cells"][:3], ["CH4", "2004/01/31(土)", "21:00-21:54"])
        self.assertTrue(row["enabled"])
        post = self.sim.log()["posts"][-1]
        self.assertEqual(post["fields"][1], ["title_name", "ソニ & <x>"])
        self.assertEqual([f[0] for f in post["fields"]][-2:], ["detail", "end_form"])
        self.assertEqual(post["fields"][-2][1], "a\r\nb")

    def test_missing_bexec_books_a_disabled_reservation(self):
        self.assertTrue(self.book(exec_on=False)[0])
        self.assertFalse(self.listed()[-1]["enabled"])

    def test_refusals_alert_a_distinct_reason_and_go_back(self):
        cases = {
            "unknown channel": dict(channel=102), "channel not a number": dict(channel="x"),
            "hour 24": dict(start=(24, 0)), "minute 60": dict(end=(22, 60)),
            "30 February": dict(date="2004/02/30"), "unpadded date": dict(date="2004/1/31"),
            "rate without entry": dict(vrate=3100), "unknown genre": dict(genre=11),
            "missing field": dict(drop="end_minute"), "zero length": dict(end=(21, 0)),
        }
        reasons = {}
        for name, kw in cases.items():
            with self.subTest(name):
                status, _, body = self.sim.request("POST", "/program/rsv/entry.htm",
                                                   form_body(**kw))
                self.assertEqual(status, 200)
                self.assertIn(b"alert(\"", body)
                self.assertIn(b"history.back();", body)
                self.assertNotIn(b"msg=", body)
                ok, reasons[name] = result_message(body)
                self.assertFalse(ok)
        self.assertEqual(len(self.listed()), 2)
        self.assertEqual(reasons["unknown channel"], reasons["channel not a number"])
        self.assertEqual(reasons["30 February"], reasons["unpadded date"])
        distinct = {reasons[k] for k in cases if k not in ("channel not a number",
                                                          "unpadded date")}
        self.assertEqual(len(distinct), len(cases) - 2)

    def test_overlap_counts_programmes_running_past_midnight(self):
        self.assertTrue(self.book(start=(23, 30), end=(0, 30))[0])
        ok, reason = self.book(date="2004/02/01", start=(0, 0), end=(0, 15))
        self.assertEqual((ok, reason), (False, "他の予約と時間が重なっています。"))
        self.assertTrue(self.book(date="2004/02/01", start=(0, 30), end=(1, 0))[0])
        self.assertTrue(self.book(start=(23, 0), end=(23, 30))[0])

    def test_overlap_with_a_weekly_reservation_only_on_its_days(self):
        self.assertFalse(self.book(date="2004/02/02", start=(5, 50), end=(6, 10))[0])  # Monday
        self.assertTrue(self.book(date="2004/01/31", start=(5, 50), end=(6, 10))[0])  # Saturday

    def test_full_recorder_refuses(self):
        items = [{"title": "x%d" % i, "channel": 1, "date": "2004/03/%02d" % (i + 1),
                  "start": "10:00", "end": "11:00"} for i in range(30)]
        status, _, _ = self.sim.request("POST", "/_sim/reservations",
                                        json.dumps({"reservations": items}).encode())
        self.assertEqual(status, 200)
        self.assertTrue(self.book()[0])
        self.assertTrue(self.book(start=(22, 0), end=(23, 0))[0])
        self.assertEqual(self.book(date="2004/05/05")[1],
                         "予約件数が上限に達しているため登録できません。")
        self.assertEqual(len(self.listed()), 32)


class ControlTests(SharedSimulator):
    def test_status_failure_hits_the_next_requests_of_its_step_only(self):
        self.assertEqual(self.sim.control("fail?step=2&count=2&status=500")[0], 200)
        self.assertEqual(self.sim.get("/program/b_prgrm.htm")[0], 200)
        self.assertEqual([self.sim.get("/program/rsv/menu.htm")[0] for _ in range(3)],
                         [500, 500, 200])

    def test_redirect_carries_location(self):
        self.sim.control("fail?step=3&status=302&location=/elsewhere.htm")
        status, resp, _ = self.sim.get("/program/rsv/reserve.htm")
        self.assertEqual((status, resp.getheader("Location")), (302, "/elsewhere.htm"))

    def test_failed_entry_step_books_nothing(self):
        self.sim.control("fail?step=entry&status=503")
        self.assertEqual(self.sim.request("POST", "/program/rsv/entry.htm", form_body())[0], 503)
        self.assertEqual(len(self.listed()), 2)
        self.assertTrue(self.book()[0])

    def test_close_mode_drops_the_connection_without_an_answer(self):
        self.sim.control("fail?step=1&mode=close")
        with self.assertRaises(http.client.RemoteDisconnected):
            self.sim.get("/program/b_prgrm.htm")
        self.assertEqual(self.sim.get("/program/b_prgrm.htm")[0], 200)
        self.assertEqual(self.sim.log()["requests"][-2]["outcome"], "closed")

    def test_truncated_answer_can_be_resumed_with_a_range(self):
        full = self.sim.get("/program/b_list.htm")[2]
        self.sim.control("fail?step=list&mode=truncate&bytes=100")
        answer = raw_exchange(self.sim.port, b"GET /program/b_list.htm HTTP/1.1\r\n\r\n")
        head, _, part = answer.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Length: %d" % len(full), head)
        self.assertEqual(part, full[:100])
        status, resp, rest = self.sim.get("/program/b_list.htm", headers={"range": "bytes=100-"})
        self.assertEqual((status, part + rest), (206, full))

    def test_chunkcut_breaks_a_chunked_answer_off_without_its_last_chunk(self):
        full = self.sim.get("/program/b_list.htm")[2]
        for query, cut in (("bytes=300", 300), ("bytes=%d" % (len(full) + 9), len(full)),
                           ("before=%3C/table%3E", full.index(b"</table>"))):
            self.sim.control("fail?step=list&mode=chunkcut&" + query)
            answer = raw_exchange(self.sim.port, b"GET /program/b_list.htm HTTP/1.1\r\n\r\n")
            head, _, data = answer.partition(b"\r\n\r\n")
            self.assertIn(b"Transfer-Encoding: chunked", head, query)
            self.assertNotIn(b"Content-Length", head, query)
            body, last_chunk = b"", False
            while data:
                size_line, _, data = data.partition(b"\r\n")
                size = int(size_line, 16)
                last_chunk = size == 0
                body, data = body + data[:size], data[size + 2:]
            self.assertEqual((body, last_chunk), (full[:cut], False), query)
        self.assertEqual(self.sim.get("/program/b_list.htm")[2], full)

    def test_lost_books_without_an_answer_and_close_never_books(self):
        for mode, listed in (("lost", 3), ("close", 2)):
            self.sim.control("reset")
            self.sim.control("fail?step=entry&mode=" + mode)
            body = form_body()
            answer = raw_answer(self.sim.port, b"POST /program/rsv/entry.htm HTTP/1.1\r\n"
                                b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
            self.assertEqual((answer, len(self.listed())), ((b"", "close"), listed), mode)
        self.sim.control("reset")
        self.sim.control("fail?step=entry&mode=gateway")
        answer, _ = raw_answer(self.sim.port, b"POST /program/rsv/entry.htm HTTP/1.1\r\n"
                               b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
        self.assertEqual((answer[:13], len(self.listed())), (b"HTTP/1.1 504 ", 3))

    def test_shaped_answers_frame_and_end_the_page_as_asked(self):
        full = self.sim.get("/program/b_list.htm")[2]
        cut = full.index(b"</table>")
        cases = [  # query, wait, how it ends, what follows the final head (None: chunked)
            ("plain&before=%3C/table%3E", 10, "close", full[:cut]),
            ("plain&before=%3C/table%3E&end=reset", 10, "reset", full[:cut]),
            ("plain&end=silence", 1, "open", full),
            ("badchunk&size=zz", 10, "close", b"100\r\n" + full[:256] + b"\r\nzz\r\n"),
            ("badchunk&size=&before=%3C/table%3E", 10, "close",
             b"%x\r\n" % cut + full[:cut] + b"\r\n\r\n" + full[cut:] + b"\r\n0\r\n\r\n"),
            ("interim&interim=2", 10, "close", full),
        ]
        for query, wait, ending, data in cases:
            self.sim.control("fail?step=list&mode=" + query)
            answer, how = raw_answer(self.sim.port, b"GET /program/b_list.htm HTTP/1.1\r\n"
                                                    b"Connection: close\r\n\r\n", wait)
            interim = b"HTTP/1.1 100 Continue\r\n\r\n" * 2 if "interim" in query else b""
            self.assertTrue(answer.startswith(interim + b"HTTP/1.1 200 OK\r\n"), query)
            head, _, rest = answer[len(interim):].partition(b"\r\n\r\n")
            self.assertEqual(b"Content-Length" in head, "interim" in query, query)
            self.assertEqual(b"Transfer-Encoding: chunked" in head, "badchunk" in query, query)
            self.assertEqual((rest[:len(data)], how), (data, ending), query)
        self.assertEqual(self.sim.get("/program/b_list.htm")[2], full)

    def test_drip_sends_the_whole_answer_slowly(self):
        full = self.sim.get("/remote/remote.htm")[2]
        self.sim.control("fail?step=remote&mode=drip&ms=2")
        began = time.monotonic()
        answer, how = raw_answer(self.sim.port, b"GET /remote/remote.htm HTTP/1.1\r\n"
                                                b"Connection: close\r\n\r\n")
        self.assertEqual((answer.partition(b"\r\n\r\n")[2], how), (full, "close"))
        self.assertGreaterEqual(time.monotonic() - began, len(answer) * 0.002)

    def test_range_mode_spoils_the_206_that_resumes_a_cut_page(self):
        full = self.sim.get("/program/b_list.htm")[2]
        etag, n = zlib.crc32(full), len(full)
        cases = [("etag=drop", None, "bytes 100-%d/%d" % (n - 1, n)),
                 ("etag=other", '"%08x"' % (etag ^ 1), "bytes 100-%d/%d" % (n - 1, n)),
                 ("shift=5", '"%08x"' % etag, "bytes 105-%d/%d" % (n + 4, n)),
                 ("total=9", '"%08x"' % etag, "bytes 100-%d/9" % (n - 1))]
        for query, tag, content_range in cases:
            self.sim.control("fail?step=list&count=2&mode=range&bytes=100&" + query)
            head, _, part = raw_exchange(self.sim.port, b"GET /program/b_list.htm HTTP/1.1"
                                                        b"\r\n\r\n").partition(b"\r\n\r\n")
            self.assertEqual(part, full[:100], query)
            self.assertIn(b'ETag: "%08x"' % etag, head, query)
            status, resp, rest = self.sim.get("/program/b_list.htm", headers={"range": "bytes=100-"})
            self.assertEqual((status, resp.getheader("ETag"), resp.getheader("Content-Range"), rest),
                             (206, tag, content_range, full[100:]), query)

    def test_delay_mode_answers_late(self):
        self.sim.control("fail?step=channels&mode=delay&ms=300")
        began = time.monotonic()
        self.assertEqual(self.sim.get("/setup/ch_set.htm")[0], 200)
        self.assertGreaterEqual(time.monotonic() - began, 0.3)

    def test_frame_control_replaces_the_main_frame_and_the_last_link_until_reset(self):
        def walk():
            main = dict(frames(self.sim.get("/program/b_prgrm.htm")[2]))["main"]
            return main, last_link(self.sim.get("/program/rsv/menu.htm")[2])

        status, answer = self.sim.control("frame?src=rsv/menu.htm%0D%0AX-Injected:%201")
        self.assertEqual((status, answer["frame"]), (200, {"src": "rsv/menu.htm\r\nX-Injected: 1"}))
        self.assertEqual(walk(), ("rsv/menu.htm\r\nX-Injected: 1", "reserve.htm"))
        self.sim.control("frame?link=http://elsewhere/x.htm%23top")
        self.assertEqual(walk(), ("rsv/menu.htm\r\nX-Injected: 1", "http://elsewhere/x.htm#top"))
        self.sim.control("reset")
        self.assertEqual(walk(), ("/program/rsv/menu.htm", "reserve.htm"))

    def test_log_keeps_headers_as_sent_and_reset_forgets(self):
        raw_exchange(self.sim.port, b"GET /remote/remote.htm?key=C0 HTTP/1.1\r\nConnection: close"
                                    b"\r\nauthorization: Basic eDp5\r\nhost: 127.0.0.1\r\n\r\n")
        log = self.sim.log()
        self.assertEqual(log["requests"][-1]["headers"],
                         [["Connection", "close"], ["authorization", "Basic eDp5"],
                          ["host", "127.0.0.1"]])
        self.assertEqual(log["remote_keys"], ["C0"])
        self.sim.control("reset?seed=0")
        log = self.sim.log()
        self.assertEqual((log["requests"], log["remote_keys"], log["reservations"]), ([], [], []))
        self.assertEqual(self.listed(), [])

    def test_remote_keys_are_recorded_and_malformed_ones_refused(self):
        for key in ("00", "DA", "c0", "123"):
            status = self.sim.get("/remote/remote.htm?key=" + key)[0]
            self.assertEqual(status, 200 if re.fullmatch("[0-9A-F]{2}", key) else 400, key)
        self.assertEqual(self.sim.log()["remote_keys"], ["00", "DA", "c0", "123"])


class AuthorizationTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator("--user", "rd", "--password", "secret")
        cls.addClassCleanup(cls.sim.stop)

    def test_pages_need_the_right_basic_credentials(self):
        status, resp, _ = self.sim.get("/program/b_prgrm.htm")
        self.assertEqual(status, 401)
        self.assertTrue(resp.getheader("WWW-Authenticate").startswith("Basic"))
        wrong = {"authorization": "Basic cmQ6d3Jvbmc="}  # rd:wrong
        self.assertEqual(self.sim.get("/setup/ch_set.htm", headers=wrong)[0], 401)
        right = {"authorization": "Basic cmQ6c2VjcmV0"}  # rd:secret
        self.assertEqual(self.sim.get("/setup/ch_set.htm", headers=right)[0], 200)
        self.assertEqual(self.sim.request("POST", "/program/rsv/entry.htm", form_body())[0], 401)
        self.assertEqual(len(self.sim.log()["reservations"]), 2, "controls need no credentials")


class LifecycleTests(unittest.TestCase):
    def test_reservations_survive_a_restart_with_a_state_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            state, port_file = os.path.join(tmp, "state.json"), os.path.join(tmp, "port")
            sim = Simulator("--state", state, "--port-file", port_file)
            try:
                with open(port_file) as f:
                    self.assertEqual(int(f.read()), sim.port)
                sim.request("POST", "/program/rsv/entry.htm", form_body(title="残す番組"))
            finally:
                self.assertEqual(sim.stop(), 0)
            sim = Simulator("--state", state)
            try:
                titles = [r["title"] for r in reservation_rows(sim.get("/program/b_list.htm")[2])]
                self.assertEqual(titles, ["朝のニュース", "日曜名画座", "残す番組"])
            finally:
                self.assertEqual(sim.stop(), 0)

    def test_only_the_loopback_address_is_accepted(self):
        result = subprocess.run([sys.executable, str(SIM), "--port", "0", "--bind", "0.0.0.0"],
                                capture_output=True, text=True, timeout=10)
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(result.stdout, "")


if __name__ == "__main__":
    unittest.main()
