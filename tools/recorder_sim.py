#!/usr/bin/env python3
"""Stand-in for an RD-Style networked video recorder, for tests and demos.

Start:
    python3 tools/recorder_sim.py --port PORT [--user U --password P]
        [--bind 127.0.0.1] [--state FILE] [--port-file FILE] [--slots N] [--no-range]
        [--verbose]

--port 0 picks a free port. Once listening it writes the port to --port-file (if given) and
prints exactly one line, "recorder simulator listening on http://127.0.0.1:PORT". SIGTERM and
SIGINT end it cleanly (exit status 0). With --user/--password every recorder page needs that
Basic authorization (401 with WWW-Authenticate otherwise); the /_sim/ controls never do.
--state keeps the reservations in a JSON file across runs (loaded at start, rewritten on change).

Recorder pages (Shift_JIS, "text/html; charset=Shift_JIS", HTTP/1.1 with Content-Length;
"Connection: close" is honoured; GET answers honour "Range: bytes=N-" with 206 unless
--no-range is given):
    GET  /program/b_prgrm.htm        frame set: frames "title", "main" (/program/rsv/menu.htm)
                                     and, last, "list" (/program/b_list.htm)
    GET  /program/rsv/menu.htm       menu; its last link is the relative "reserve.htm"
    GET  /program/rsv/reserve.htm    frame set with a frame "main" (/program/rsv/input.htm)
    GET  /program/rsv/input.htm      the reservation form, action "entry.htm"
    POST /program/rsv/entry.htm      books; answers msg="..." or alert("...") + history.back();
    GET  /program/b_list.htm         reservation table (one row per slot, "---" for free slots)
    GET  /program/rsv/detail.htm?no=N  one reservation's settings
    GET  /setup/ch_set.htm           channel set-up page (channel tables from the fifth table on)
    GET  /remote/remote.htm?key=XX   remote-control key (two upper-case hex digits; else 400)
    GET  /img/parts/check_on.gif, /img/parts/check_off.gif, / (top page)
A request target in absolute form (http://host:port/path, as sent through a proxy) is served
as its path and logged with "proxy": true.

Test controls (GET or POST, query parameters; JSON answers, UTF-8):
    /_sim/reset[?seed=0]      forget reservations, log, keys, pending failures and frame
                              overrides; the two weekly reservations are seeded again
                              unless seed=0
    /_sim/clearlog            forget the request log, posts and keys only
    /_sim/fail?step=S&count=K&...
                              the next K requests (default 1) to step S misbehave. S is 1..4 for
                              the booking walk (1 frameset, 2 menu, 3 form, 4 entry) or one of
                              frameset, menu, form, entry, list, channels, remote. Then one of:
                                status=CODE[&location=URL]  answer CODE (with Location if given)
                                mode=close                  read the request, close, no answer
                                mode=truncate&bytes=B       full Content-Length, only B body
                                                            bytes, then close
                                mode=chunkcut&bytes=B[&before=TEXT]
                                                            the answer in chunks of 256 bytes
                                                            (Transfer-Encoding: chunked, no
                                                            Content-Length), closed after B
                                                            body bytes (or where TEXT first
                                                            begins in the body; all of it when
                                                            absent), mostly inside a chunk; the
                                                            last (zero-size) chunk never comes,
                                                            even when the cut covers the body
                                mode=delay&ms=M             wait M ms, then answer normally
                                mode=lost                   serve the request (a POST books),
                                                            then close without any answer;
                                                            mode=close never serves it
                                mode=gateway[&status=CODE]  serve the request (a POST books),
                                                            then answer CODE (default 504) as
                                                            a proxy that lost the answer
                                mode=plain[&before=TEXT][&end=close|reset|silence]
                                                            no Content-Length and no chunked
                                                            coding, the body ended by the
                                                            connection's end; cut where TEXT
                                                            begins. end=reset aborts (RST),
                                                            end=silence keeps the connection
                                                            open without sending more until the
                                                            client closes it (at most 120 s)
                                mode=badchunk&size=S[&before=TEXT]
                                                            chunked in pieces of 256 bytes (two:
                                                            before TEXT and from it, when given)
                                                            with S written as the second size
                                                            line ("zz", "", "-0", "0x10")
                                mode=interim[&interim=N]    N (default 1) "HTTP/1.1 100
                                                            Continue" answers, then the answer
                                mode=drip&ms=M              the whole answer one byte every M ms
                                mode=range&bytes=B[&etag=drop|other][&shift=D][&total=T]
                                                            a request without Range gets B body
                                                            bytes as for truncate; a ranged one
                                                            a 206 whose ETag is left out or
                                                            changed, whose Content-Range start
                                                            is off by D or whose total is T
                              Every mode applies to GETs and to the POST alike; the shaped
                              answers close the connection at their end unless they are
                              whole (interim, drip). count=0 removes the pending failure of
                              that step.
                              Step 1's path is also the first page of the list retrieval.
    /_sim/frame?src=S&link=L  the frame set's "main" frame gets src S and/or the menu's last
                              link gets href L instead of their usual paths, written into
                              the page as given (percent-decoded, so CR LF can be sent as
                              %0D%0A), for a client's path checks; until /_sim/reset
    /_sim/log                 {"requests": [...], "posts": [...], "remote_keys": [...],
                               "reservations": [...], "failures": {...}}
                              requests: seq, method, target, path, query, proxy, headers (as sent,
                              in order), body (latin-1 text of the raw bytes), status, outcome
                              (answered / closed / lost / truncated / unauthorized, or the
                              shaping mode: gateway, plain, badchunk, interim, drip, range).
                              posts: raw, fields ([name, value] in order, values decoded
                              from Shift_JIS), accepted, message.
    /_sim/reservations        GET: the reservations. POST with a JSON body
                              {"reservations": [{...}]} replaces them all; each item has
                              title, channel, either date "YYYY/MM/DD" or weekly (a recurrence
                              label such as "毎月～金"), start and end "HH:MM", and optionally
                              enabled, detail, disc, dvdr, vrate, amode, genre, bVPerform,
                              bAutoChapter.
"""

import argparse
import base64
import datetime
import json
import os
import re
import signal
import socket
import struct
import sys
import threading
import time
import urllib.parse
import zlib
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ENCODING = "cp932"
HTML_TYPE = "text/html; charset=Shift_JIS"
CHUNK_SIZE = 256  # body bytes per chunk of a chunked answer (mode=chunkcut, badchunk)
SILENCE_SECONDS = 120  # how long mode=plain&end=silence holds a connection at most

FRAMESET_PATH = "/program/b_prgrm.htm"
TITLE_PATH = "/program/b_title.htm"
MENU_PATH = "/program/rsv/menu.htm"
FORM_PATH = "/program/rsv/reserve.htm"
INPUT_PATH = "/program/rsv/input.htm"
ENTRY_PATH = "/program/rsv/entry.htm"
DETAIL_PATH = "/program/rsv/detail.htm"
LIST_PATH = "/program/b_list.htm"
CHANNELS_PATH = "/setup/ch_set.htm"
REMOTE_PATH = "/remote/remote.htm"
CHECK_ON = "/img/parts/check_on.gif"
CHECK_OFF = "/img/parts/check_off.gif"

FAIL_TARGETS = {
    "1": FRAMESET_PATH, "frameset": FRAMESET_PATH,
    "2": MENU_PATH, "menu": MENU_PATH,
    "3": FORM_PATH, "form": FORM_PATH,
    "4": ENTRY_PATH, "entry": ENTRY_PATH,
    "list": LIST_PATH, "channels": CHANNELS_PATH, "remote": REMOTE_PATH,
}

# The recorder's channel positions: code -> label.
CHANNEL_LABELS = {}
for _n in range(1, 65):
    CHANNEL_LABELS[_n] = "CH%d" % _n
for _n in range(1, 16, 2):
    CHANNEL_LABELS[100 + _n] = "BS%d" % _n
for _n in range(1, 4):
    CHANNEL_LABELS[200 + _n] = "Line%d" % _n

# Channel set-up page content: (label, station name, mail code, station code); "--" = unused.
TERRESTRIAL = [
    ("CH1", "東都総合テレビ", "001", "TT01"),
    ("CH2", "--", "--", "--"),
    ("CH3", "東都教育テレビ", "003", "TT03"),
    ("CH4", "みなと放送", "004", "MN04"),
    ("CH5", "--", "--", "--"),
    ("CH6", "ソレイユ放送", "006", "SL06"),
    ("CH8", "さくらテレビ", "008", "SK08"),
    ("CH10", "M&Kテレビ", "010", "MK10"),
    ("CH12", "あおぞらテレビ", "012", "AZ12"),
]
SATELLITE = [
    ("BS1", "衛星第一放送", "101", "BS01"),
    ("BS3", "衛星第二放送", "103", "BS03"),
    ("BS5", "ほしぞらBS", "105", "BS05"),
    ("BS7", "--", "--", "--"),
    ("BS9", "BSさくら", "109", "BS09"),
    ("BS11", "BSみなと", "111", "BS11"),
]
LINE_INPUTS = [
    ("Line1", "ビデオ入力", "L1", "LIN1"),
    ("Line2", "--", "--", "--"),
    ("Line3", "--", "--", "--"),
]

DISC_TEXT = {0: "HDD", 1: "DVD", 2: "AB面"}
DVDR_TEXT = {1: "切", 4: "主音声", 5: "副音声"}
VRATE_TEXT = {1: "SP 4.4/4.6", 2: "LP 2.0/2.2", 4: "ジャスト", 1400: "MN 1.4"}
for _r in range(2000, 9201, 200):
    VRATE_TEXT[_r] = "MN %d.%d" % (_r // 1000, _r % 1000 // 100)
AMODE_TEXT = {1: "D1", 2: "D2", 3: "L-PCM"}
GENRE_TEXT = {10: "ジャンルなし", 0: "映画全般", 1: "音楽全般", 2: "ドラマ全般",
              3: "アニメ/特撮全般", 4: "スポーツ全般", 5: "ドキュメンタリ教養全般",
              6: "劇場公演全般", 7: "趣味教育全般", 8: "バラエティ全般", 9: "その他"}
FLAG_TEXT = {0: "しない", 1: "する"}

# Recurrence labels of weekly reservations: bit 0 Sunday .. bit 6 Saturday.
WEEKLY_MASKS = {
    "毎日曜日": 0x01, "毎月曜日": 0x02, "毎火曜日": 0x04, "毎水曜日": 0x08,
    "毎木曜日": 0x10, "毎金曜日": 0x20, "毎土曜日": 0x40, "毎日": 0xFF,
    "毎月～木": 0x1E, "毎月～金": 0x3E, "毎月～土": 0x7E,
}
WEEKDAY_CHARS = "日月火水木金土"

MSG_ACCEPTED = "予約を登録しました。"
# Refusal reasons, one per check so that a client's message box tells which check failed.
R_MISSING = "入力項目が不足しています。"
R_TITLE = "番組名に使用できない文字が含まれています。"
R_DETAIL = "詳細に使用できない文字が含まれています。"
R_EXEC = "実行の指定が正しくありません。"
R_CHANNEL = "チャンネルの指定が正しくありません。"
R_DATE = "日付が正しくありません。"
R_START_HOUR = "開始時刻（時）が正しくありません。"
R_START_MINUTE = "開始時刻（分）が正しくありません。"
R_END_HOUR = "終了時刻（時）が正しくありません。"
R_END_MINUTE = "終了時刻（分）が正しくありません。"
R_LENGTH = "開始時刻と終了時刻が同じです。"
R_OPTIONS = {
    "disc": ("ディスクの指定が正しくありません。", DISC_TEXT),
    "dvdr": ("DVDR互換の指定が正しくありません。", DVDR_TEXT),
    "vrate": ("画質の指定が正しくありません。", VRATE_TEXT),
    "amode": ("音質の指定が正しくありません。", AMODE_TEXT),
    "genre": ("ジャンルの指定が正しくありません。", GENRE_TEXT),
    "bVPerform": ("高レート節約の指定が正しくありません。", FLAG_TEXT),
    "bAutoChapter": ("無音部分チャプタ分割の指定が正しくありません。", FLAG_TEXT),
}
R_OVERLAP = "他の予約と時間が重なっています。"
R_FULL = "予約件数が上限に達しているため登録できません。"

REQUIRED_FIELDS = ["title_name", "channel", "disc", "dvdr", "date", "vrate", "start_hour",
                   "start_minute", "amode", "bVPerform", "bAutoChapter", "end_hour",
                   "end_minute", "genre", "detail", "end_form"]

# A 1x1 GIF, so that the list page's check images show in a browser.
GIF_1X1 = base64.b64decode("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==")


class Shape:
    """A misbehaving answer: how its body is framed, encoded and written, and how it ends. This
    base is the truncated answer: the full Content-Length, then `cut` body bytes and the close."""

    close = True
    outcome = "truncated"

    def __init__(self, failure):
        self.failure = failure

    def cut(self, body):
        before = self.failure.get("before")
        if before:
            at = body.find(before.encode(ENCODING))
            return at if at >= 0 else len(body)
        return self.failure.get("bytes", len(body))

    def framing(self, status, body):
        return "Content-Length: %d" % len(body)

    def headers(self, status, headers):
        return headers

    def encode(self, status, body):
        return body[:self.cut(body)]

    def write(self, handler, data):
        handler.wfile.write(data)

    def finish(self, handler):
        pass


def chunked(pieces, size_lines=()):
    """Chunked coding of the pieces and the last chunk; size_lines replace the first ones."""
    out, lines = b"", list(size_lines)
    for piece in pieces + [b""]:
        line = lines.pop(0) if lines else b"%x" % len(piece)
        out += line + b"\r\n" + piece + b"\r\n"
    return out


class ChunkCut(Shape):
    """A chunked answer that breaks off after `bytes` body bytes, or where `before` begins."""

    def framing(self, status, body):
        return "Transfer-Encoding: chunked"

    def encode(self, status, body):
        cut = self.cut(body)
        out = b""
        for first in range(0, min(cut, len(body)), CHUNK_SIZE):
            chunk = body[first:first + CHUNK_SIZE]
            out += b"%x\r\n" % len(chunk)
            if first + len(chunk) > cut:
                return out + chunk[:cut - first]
            out += chunk + b"\r\n"
        return out  # every data chunk, but not the last one


class Lost(Shape):
    outcome = "lost"

    def write(self, handler, data):
        pass

    def finish(self, handler):
        if handler.entry is not None:
            handler.entry["status"] = None  # served, but nothing was sent


class Gateway(Shape):
    """Served, then answered by a proxy between client and recorder that lost the real answer."""

    outcome = "gateway"

    def write(self, handler, data):
        status = self.failure["status"]
        body = status_page(status).encode(ENCODING)
        handler.wfile.write(b"HTTP/1.1 %d %s\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                            % (status, reason_of(status).encode("latin-1"), len(body)) + body)

    def finish(self, handler):
        if handler.entry is not None:
            handler.entry["status"] = self.failure["status"]


class Plain(Shape):
    """No length and no chunked coding: the end of the connection ends the body."""

    outcome = "plain"

    def framing(self, status, body):
        return None

    def finish(self, handler):
        end = self.failure.get("end", "close")
        if end == "reset":
            time.sleep(0.1)  # the bytes sent reach the client before the reset does
            handler.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                          struct.pack("ii", 1, 0))
            handler.rfile.close()
            handler.connection.close()
        elif end == "silence":
            handler.connection.settimeout(SILENCE_SECONDS)
            try:
                handler.connection.recv(1)  # returns when the client closes
            except OSError:
                pass


class BadChunk(Shape):
    outcome = "badchunk"

    def framing(self, status, body):
        return "Transfer-Encoding: chunked"

    def encode(self, status, body):
        if self.failure.get("before"):
            cut = self.cut(body)
            pieces = [p for p in (body[:cut], body[cut:]) if p]
        else:
            pieces = [body[i:i + CHUNK_SIZE] for i in range(0, len(body), CHUNK_SIZE)]
        first = b"%x" % len(pieces[0]) if pieces else b"0"
        return chunked(pieces, [first, self.failure["size"].encode("latin-1")])


class Interim(Shape):
    close = False
    outcome = "interim"

    def encode(self, status, body):
        return body

    def write(self, handler, data):
        handler.wfile.write(b"HTTP/1.1 100 Continue\r\n\r\n" * self.failure["interim"] + data)


class Drip(Shape):
    close = False
    outcome = "drip"

    def encode(self, status, body):
        return body

    def write(self, handler, data):
        try:
            for i in range(len(data)):
                handler.wfile.write(data[i:i + 1])
                time.sleep(self.failure["ms"] / 1000.0)
        except OSError:
            handler.close_connection = True  # the client gave up


class Range(Shape):
    """Cuts the first answer; the 206 that resumes it names another page or another range."""

    outcome = "range"

    def headers(self, status, headers):
        if status != 206:
            return headers
        out = []
        for name, value in headers:
            if name == "ETag" and self.failure.get("etag") == "drop":
                continue
            if name == "ETag" and self.failure.get("etag") == "other":
                value = '"%08x"' % (int(value.strip('"'), 16) ^ 1)
            if name == "Content-Range":
                first, last, total = map(int, re.fullmatch(r"bytes (\d+)-(\d+)/(\d+)",
                                                           value).groups())
                shift = self.failure.get("shift", 0)
                value = "bytes %d-%d/%d" % (first + shift, last + shift,
                                            self.failure.get("total", total))
            out.append((name, value))
        return out

    def encode(self, status, body):
        return body if status == 206 else body[:self.cut(body)]


SHAPES = {"truncate": Shape, "chunkcut": ChunkCut, "lost": Lost, "gateway": Gateway, "plain": Plain,
          "badchunk": BadChunk, "interim": Interim, "drip": Drip, "range": Range}


def hhmm(minutes):
    return "%02d:%02d" % (minutes // 60, minutes % 60)


def parse_hhmm(text):
    m = re.fullmatch(r"(\d{1,2}):(\d{2})", str(text))
    if not m or int(m.group(1)) > 23 or int(m.group(2)) > 59:
        raise ValueError("bad time %r" % (text,))
    return int(m.group(1)) * 60 + int(m.group(2))


def parse_date(text):
    m = re.fullmatch(r"(\d{4})/(\d{2})/(\d{2})", text)
    if not m:
        raise ValueError("bad date %r" % (text,))
    return datetime.date(int(m.group(1)), int(m.group(2)), int(m.group(3)))


def sunday_based(day):
    return (day.weekday() + 1) % 7


class Booking:
    """One reservation held by the recorder."""

    def __init__(self, title, channel, start, end, date=None, weekly=None, enabled=True,
                 detail="", disc=0, dvdr=1, vrate=1, amode=1, genre=10, vperform=1,
                 autochapter=1):
        if (date is None) == (weekly is None):
            raise ValueError("exactly one of date and weekly")
        if weekly is not None and weekly not in WEEKLY_MASKS:
            raise ValueError("unknown recurrence %r" % (weekly,))
        if channel not in CHANNEL_LABELS:
            raise ValueError("unknown channel %r" % (channel,))
        self.title, self.channel, self.start, self.end = title, channel, start, end
        self.date, self.weekly, self.enabled, self.detail = date, weekly, enabled, detail
        self.disc, self.dvdr, self.vrate, self.amode = disc, dvdr, vrate, amode
        self.genre, self.vperform, self.autochapter = genre, vperform, autochapter

    def to_json(self):
        return {
            "title": self.title, "channel": self.channel,
            "date": self.date.strftime("%Y/%m/%d") if self.date else None,
            "weekly": self.weekly, "start": hhmm(self.start), "end": hhmm(self.end),
            "enabled": self.enabled, "detail": self.detail, "disc": self.disc,
            "dvdr": self.dvdr, "vrate": self.vrate, "amode": self.amode, "genre": self.genre,
            "bVPerform": self.vperform, "bAutoChapter": self.autochapter,
        }

    @classmethod
    def from_json(cls, item):
        date = item.get("date")
        return cls(
            title=str(item.get("title", "")), channel=int(item["channel"]),
            start=parse_hhmm(item["start"]), end=parse_hhmm(item["end"]),
            date=parse_date(date) if date else None, weekly=item.get("weekly") or None,
            enabled=bool(item.get("enabled", True)), detail=str(item.get("detail", "")),
            disc=int(item.get("disc", 0)), dvdr=int(item.get("dvdr", 1)),
            vrate=int(item.get("vrate", 1)), amode=int(item.get("amode", 1)),
            genre=int(item.get("genre", 10)), vperform=int(item.get("bVPerform", 1)),
            autochapter=int(item.get("bAutoChapter", 1)))

    def intervals_near(self, day):
        """Absolute minute ranges (days since 0001-01-01 x 1440) this booking occupies on the
        days around `day`; a recording that ends before it starts runs past midnight."""
        length = (self.end - self.start) % 1440
        days = [self.date] if self.date else [
            day + datetime.timedelta(days=d) for d in (-1, 0, 1)
            if WEEKLY_MASKS[self.weekly] >> sunday_based(day + datetime.timedelta(days=d)) & 1]
        return [(d.toordinal() * 1440 + self.start, d.toordinal() * 1440 + self.start + length)
                for d in days]


def seed_bookings():
    return [
        Booking("朝のニュース", 1, parse_hhmm("05:45"), parse_hhmm("06:00"), weekly="毎月～金"),
        Booking("日曜名画座", 103, parse_hhmm("04:00"), parse_hhmm("04:55"), weekly="毎日曜日",
                enabled=False, vrate=6000, genre=0),
    ]


def decode_form(body):
    """Split an URL-encoded form body into (name, value bytes) pairs, in order."""
    pairs = []
    for piece in body.split(b"&"):
        if not piece:
            continue
        name, _, value = piece.partition(b"=")
        unq = lambda b: urllib.parse.unquote_to_bytes(b.replace(b"+", b" "))
        pairs.append((unq(name).decode("latin-1"), unq(value)))
    return pairs


def parse_int(text):
    return int(text) if re.fullmatch(rb"-?\d{1,9}", text) else None


class Recorder:
    """The recorder's state: reservations, what it was sent, and pending test failures."""

    def __init__(self, slots, state_file=None):
        self.lock = threading.Lock()
        self.slots = slots
        self.state_file = state_file
        self.bookings = []
        self.failures = {}
        self.frame = {}
        self.clear_log()
        if state_file and os.path.exists(state_file):
            with open(state_file, encoding="utf-8") as f:
                self.bookings = [Booking.from_json(x) for x in json.load(f)["reservations"]]
        else:
            self.bookings = seed_bookings()
            self.save()

    def clear_log(self):
        self.requests, self.posts, self.remote_keys = [], [], []

    def reset(self, seed):
        with self.lock:
            self.clear_log()
            self.failures = {}
            self.frame = {}
            self.bookings = seed_bookings() if seed else []
            self.save()

    def replace(self, bookings):
        with self.lock:
            self.bookings = bookings
            self.save()

    def save(self):
        if not self.state_file:
            return
        tmp = self.state_file + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump({"reservations": [b.to_json() for b in self.bookings]}, f,
                      ensure_ascii=False, indent=1)
        os.replace(tmp, self.state_file)

    def take_failure(self, path):
        with self.lock:
            failure = self.failures.get(path)
            if not failure:
                return None
            failure["count"] -= 1
            if failure["count"] <= 0:
                del self.failures[path]
            return dict(failure)

    def snapshot(self):
        with self.lock:
            return {
                "requests": list(self.requests), "posts": list(self.posts),
                "remote_keys": list(self.remote_keys),
                "reservations": [dict(b.to_json(), no=i + 1)
                                 for i, b in enumerate(self.bookings)],
                "failures": {p: dict(f) for p, f in self.failures.items()},
            }

    def book(self, body):
        """Validates and stores one posted reservation; returns (accepted, message)."""
        pairs = decode_form(body)
        fields = dict(pairs)
        with self.lock:
            self.posts.append({
                "raw": body.decode("latin-1"),
                "fields": [[n, v.decode(ENCODING, "replace")] for n, v in pairs]})
            record = self.posts[-1]
            accepted, message = self._check_and_store(fields)
            record["accepted"], record["message"] = accepted, message
            return accepted, message

    def _check_and_store(self, fields):
        if any(name not in fields for name in REQUIRED_FIELDS):
            return False, R_MISSING
        try:
            title = fields["title_name"].decode(ENCODING)
        except UnicodeDecodeError:
            return False, R_TITLE
        try:
            detail = fields["detail"].decode(ENCODING)
        except UnicodeDecodeError:
            return False, R_DETAIL
        if "bExec" in fields and fields["bExec"] != b"ON":
            return False, R_EXEC
        if parse_int(fields["channel"]) not in CHANNEL_LABELS:
            return False, R_CHANNEL
        try:
            date = parse_date(fields["date"].decode("latin-1"))
        except ValueError:
            return False, R_DATE
        times = []
        for name, top, reason in (("start_hour", 23, R_START_HOUR),
                                  ("start_minute", 59, R_START_MINUTE),
                                  ("end_hour", 23, R_END_HOUR),
                                  ("end_minute", 59, R_END_MINUTE)):
            value = parse_int(fields[name])
            if value is None or not 0 <= value <= top:
                return False, reason
            times.append(value)
        options = {}
        for name, (reason, table) in R_OPTIONS.items():
            value = parse_int(fields[name])
            if value not in table:
                return False, reason
            options[name] = value
        start, end = times[0] * 60 + times[1], times[2] * 60 + times[3]
        if start == end:
            return False, R_LENGTH
        if len(self.bookings) >= self.slots:
            return False, R_FULL
        new = Booking(title, parse_int(fields["channel"]), start, end, date=date,
                      enabled="bExec" in fields, detail=detail, disc=options["disc"],
                      dvdr=options["dvdr"], vrate=options["vrate"], amode=options["amode"],
                      genre=options["genre"], vperform=options["bVPerform"],
                      autochapter=options["bAutoChapter"])
        mine = new.intervals_near(date)
        for old in self.bookings:
            for a0, a1 in mine:
                if any(a0 < b1 and b0 < a1 for b0, b1 in old.intervals_near(date)):
                    return False, R_OVERLAP
        self.bookings.append(new)
        self.save()
        return True, MSG_ACCEPTED


# ---- Pages -------------------------------------------------------------------------------

def esc(text):
    # Only the entities a small recorder client decodes: no numeric references.
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;"))


def page(title, body, head=""):
    return ('<html>\n<head>\n<meta http-equiv="Content-Type" content="%s">\n'
            '<title>%s</title>\n%s</head>\n%s\n</html>\n' % (HTML_TYPE, esc(title), head, body))


def top_page():
    return page("RD-Style", '<body>\n<h3>RD-Style</h3>\n'
                '<a href="%s">番組予約</a><br>\n<a href="%s">チャンネル設定</a><br>\n'
                '<a href="%s">ネットリモコン</a>\n</body>'
                % (FRAMESET_PATH, CHANNELS_PATH, REMOTE_PATH))


def frameset_page(main_src=MENU_PATH):
    return page("番組予約", '<frameset rows="40,*" border="0">\n'
                '<frame name="title" src="%s" scrolling="no">\n'
                '<frameset cols="200,*">\n'
                '<frame name="main" src="%s">\n'
                '<frame name="list" src="%s">\n'
                '</frameset>\n</frameset>' % (TITLE_PATH, main_src, LIST_PATH))


def title_page():
    return page("番組予約", '<body>\n<b>番組予約</b>\n</body>')


def menu_page(last_link="reserve.htm"):
    # The last link is relative on purpose: clients resolve it against this page's directory.
    return page("予約メニュー", '<body>\n<a name="top"></a>\n'
                '<a href="/" target="_top">トップ</a><br>\n'
                '<a href="%s" target="list">予約一覧の更新</a><br>\n'
                '<a href="%s" target="_top">新規予約</a>\n</body>' % (LIST_PATH, last_link))


def form_frame_page():
    return page("新規予約", '<frameset rows="40,*" border="0">\n'
                '<frame name="title" src="%s" scrolling="no">\n'
                '<frame name="main" src="%s">\n</frameset>' % (TITLE_PATH, INPUT_PATH))


def select(name, table, chosen=None):
    opts = "".join('<option value="%d"%s>%s</option>' % (v, " selected" if v == chosen else "",
                                                          esc(t)) for v, t in table.items())
    return '<select name="%s">%s</select>' % (name, opts)


def input_page(today=None):
    """The reservation form, its date field preset to today (or the given day)."""
    today = (today or datetime.date.today()).strftime("%Y/%m/%d")
    hours = {h: "%d" % h for h in range(24)}
    minutes = {m: "%02d" % m for m in range(60)}
    rows = [
        ("実行", '<input type="checkbox" name="bExec" value="ON" checked>'),
        ("番組名", '<input type="text" name="title_name" size="40">'),
        ("チャンネル", select("channel", CHANNEL_LABELS)),
        ("ディスク", select("disc", DISC_TEXT)),
        ("DVDR互換", select("dvdr", DVDR_TEXT)),
        ("日付", '<input type="text" name="date" value="%s" size="10">' % today),
        ("画質", select("vrate", VRATE_TEXT)),
        ("開始", select("start_hour", hours) + "時" + select("start_minute", minutes) + "分"),
        ("音質", select("amode", AMODE_TEXT)),
        ("高レート節約", select("bVPerform", FLAG_TEXT, 1)),
        ("無音部分チャプタ分割", select("bAutoChapter", FLAG_TEXT, 1)),
        ("終了", select("end_hour", hours) + "時" + select("end_minute", minutes) + "分"),
        ("ジャンル", select("genre", GENRE_TEXT, 10)),
        ("詳細", '<textarea name="detail" rows="3" cols="40"></textarea>'),
    ]
    body = "".join("<tr><th>%s</th><td>%s</td></tr>\n" % (esc(k), v) for k, v in rows)
    return page("新規予約", '<body>\n<form action="entry.htm" method="post">\n<table>\n%s'
                '</table>\n<input type="hidden" name="end_form" value="0">\n'
                '<input type="submit" value="登録">\n</form>\n</body>' % body)


def accepted_page(message):
    # The result sits in a script variable; the page must never contain the refusal call.
    script = ('<script language="JavaScript">\n<!--\nvar msg="%s";\n'
              'function done() { window.status = msg; top.location.href = "%s"; }\n'
              '//-->\n</script>\n' % (message, FRAMESET_PATH))
    return page("予約登録", '<body onload="setTimeout(\'done()\', 1000)">\n<p>%s</p>\n'
                '<a href="%s" target="_top">予約一覧へ</a>\n</body>'
                % (esc(message), FRAMESET_PATH), head=script)


def refused_page(reason):
    script = ('<script language="JavaScript">\n<!--\nalert("%s");\nhistory.back();\n'
              '//-->\n</script>\n' % reason)
    return page("予約登録", "<body>\n</body>", head=script)


def list_page(bookings, slots):
    rows = []
    for no in range(1, slots + 1):
        if no <= len(bookings):
            b = bookings[no - 1]
            when = b.weekly if b.weekly else "%s(%s)" % (
                b.date.strftime("%Y/%m/%d"), WEEKDAY_CHARS[sunday_based(b.date)])
            cells = [CHANNEL_LABELS[b.channel], when,
                     "%s-%s" % (hhmm(b.start), hhmm(b.end)), DISC_TEXT.get(b.disc, "?"),
                     VRATE_TEXT.get(b.vrate, "?"), AMODE_TEXT.get(b.amode, "?")]
            # An empty title would leave the link without text, which ends a row reader early.
            title = b.title if b.title.strip() else "（番組名なし）"
            link = '<a href="%s?no=%d" target="main">%s</a>' % (DETAIL_PATH, no, esc(title))
            image = CHECK_ON if b.enabled else CHECK_OFF
        else:
            cells = ["---"] * 6
            link = '<a href="%s" target="_top">---</a>' % FORM_PATH
            image = CHECK_OFF
        rows.append('<tr><td>%d</td><td><img src="%s" width="14" height="14"></td><td>%s</td>%s'
                    '</tr>\n' % (no, image, link,
                                 "".join("<td>%s</td>" % esc(c) for c in cells)))
    return page("予約一覧", '<body>\n<table border="1" cellspacing="0" cellpadding="2">\n'
                '<tr><th>No.</th><th>実行</th><th>番組名</th><th>CH</th><th>日付</th>'
                '<th>時間</th><th>ディスク</th><th>画質</th><th>音質</th></tr>\n%s'
                '</table>\n</body>' % "".join(rows))


def detail_page(bookings, no):
    if not 1 <= no <= len(bookings):
        return page("予約内容", "<body>\n<p>予約がありません。</p>\n</body>")
    item = bookings[no - 1].to_json()
    rows = "".join("<tr><th>%s</th><td>%s</td></tr>\n" % (esc(k), esc(str(v)))
                   for k, v in item.items())
    return page("予約内容", "<body>\n<table>\n%s</table>\n</body>" % rows)


def channel_page():
    def table(caption, stations):
        head = ('<tr><td colspan="5">%s</td></tr>\n<tr><td>No.</td><td>チャンネル</td>'
                '<td>放送局名</td><td>コード</td><td>局コード</td></tr>\n' % caption)
        rows = "".join("<tr><td>%d</td><td>%s</td><td>%s</td><td>%s</td><td>%s</td></tr>\n"
                       % ((i + 1,) + tuple(esc(c) for c in s)) for i, s in enumerate(stations))
        return '<table border="1">\n%s%s</table>\n' % (head, rows)

    # Four layout tables come first, as on the recorder; the channel tables follow.
    layout = ('<table width="100%"><tr><td><b>チャンネル設定</b></td></tr></table>\n'
              '<table><tr><td><a href="/">トップ</a></td><td><a href="' + FRAMESET_PATH +
              '">番組予約</a></td></tr></table>\n'
              '<table><tr><td>受信地域</td><td>東京</td></tr></table>\n'
              '<table><tr><td>放送局名と局コードは番組表の照合に使われます。</td></tr></table>\n')
    return page("チャンネル設定", "<body>\n%s%s%s%s</body>" % (
        layout, table("地上アナログ", TERRESTRIAL), table("BS", SATELLITE),
        table("外部入力", LINE_INPUTS)))


def remote_page(key):
    text = "キー %s を送信しました。" % esc(key) if key is not None else "ネットリモコン"
    return page("ネットリモコン", "<body>\n<p>%s</p>\n</body>" % text)


def status_page(status):
    return page("%d" % status, "<body>\n<h3>%d %s</h3>\n</body>" % (status, reason_of(status)))


def reason_of(status):
    try:
        return HTTPStatus(status).phrase
    except ValueError:
        return "Status"


# ---- HTTP ------------------------------------------------------------------------------

class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "RD-Style-Sim/1.0"
    timeout = 30  # idle keep-alive connections give their thread back

    def do_GET(self):
        self.serve()

    def do_POST(self):
        self.serve()

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("%s - %s\n" % (self.address_string(), fmt % args))

    # -- plumbing

    def send(self, status, body, ctype=HTML_TYPE, headers=(), shape=None):
        if isinstance(body, str):
            body = body.encode(ENCODING, "replace")
        framing = "Content-Length: %d" % len(body)
        if shape is not None:
            self.close_connection = self.close_connection or shape.close
            framing = shape.framing(status, body)
            headers = shape.headers(status, headers)
        lines = ["HTTP/1.1 %d %s" % (status, reason_of(status)),
                 "Date: " + self.date_time_string(), "Server: " + self.server_version,
                 "Content-Type: " + ctype] + ([framing] if framing else [])
        lines += ["%s: %s" % h for h in headers]
        if self.close_connection:
            lines.append("Connection: close")
        head = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")
        if shape is None:
            self.wfile.write(head)
            self.wfile.write(body)
        else:
            shape.write(self, head + shape.encode(status, body))
        self.wfile.flush()
        self.log_request(status)
        if self.entry is not None:
            self.entry["status"] = status
            self.entry["outcome"] = "answered" if shape is None else shape.outcome
        if shape is not None:
            shape.finish(self)

    def send_page(self, text, shape=None):
        """200 with ETag; a GET with "Range: bytes=N-" gets the rest of the page from N."""
        body = text.encode(ENCODING, "replace") if isinstance(text, str) else text
        etag = '"%08x"' % zlib.crc32(body)
        match = re.fullmatch(r"\s*bytes=(\d+)-\s*", self.headers.get("Range", ""))
        if match and self.command == "GET" and self.server.honour_range:
            first = int(match.group(1))
            if first >= len(body):
                self.send(416, b"", headers=[("Content-Range", "bytes */%d" % len(body))])
            else:
                self.send(206, body[first:], headers=[
                    ("ETag", etag), ("Content-Range", "bytes %d-%d/%d" % (
                        first, len(body) - 1, len(body)))], shape=shape)
            return
        ctype = "image/gif" if body.startswith(b"GIF") else HTML_TYPE
        self.send(200, body, ctype=ctype, headers=[("ETag", etag)], shape=shape)

    def send_json(self, obj, status=200):
        self.send(status, json.dumps(obj, ensure_ascii=False, indent=1).encode("utf-8"),
                  ctype="application/json; charset=utf-8")

    def authorized(self):
        rec = self.server.recorder_auth
        if rec is None:
            return True
        scheme, _, token = self.headers.get("Authorization", "").strip().partition(" ")
        try:
            given = base64.b64decode(token.strip(), validate=True)
        except ValueError:
            return False
        return scheme.lower() == "basic" and given == rec

    # -- dispatch

    def serve(self):
        self.entry = None
        target = self.path
        proxied = target.startswith("http://")
        parts = urllib.parse.urlsplit(target)
        path, query = parts.path or "/", parts.query
        length = self.headers.get("Content-Length")
        body = self.rfile.read(int(length)) if length and length.isdigit() else b""
        recorder = self.server.recorder

        if path.startswith("/_sim/"):
            self.control(path, urllib.parse.parse_qs(query), body)
            return

        self.entry = {"method": self.command, "target": target, "path": path, "query": query,
                      "proxy": proxied, "headers": [[k, v] for k, v in self.headers.items()],
                      "body": body.decode("latin-1"), "status": None, "outcome": None}
        with recorder.lock:
            self.entry["seq"] = len(recorder.requests) + 1
            recorder.requests.append(self.entry)
            del recorder.requests[:-2000]

        shape = None
        failure = recorder.take_failure(path)
        if failure:
            mode = failure["mode"]
            if mode == "close":
                self.close_connection = True
                self.entry["outcome"] = "closed"
                return
            if mode == "status":
                headers = [("Location", failure["location"])] if failure.get("location") else []
                self.send(failure["status"], status_page(failure["status"]), headers=headers)
                return
            if mode == "delay":
                time.sleep(failure["ms"] / 1000.0)
            if mode in SHAPES:
                shape = SHAPES[mode](failure)

        if not self.authorized():
            self.send(401, status_page(401),
                      headers=[("WWW-Authenticate", 'Basic realm="RD-Style"')])
            self.entry["outcome"] = "unauthorized"
            return
        self.route(path, urllib.parse.parse_qs(query, keep_blank_values=True), body, shape)

    def route(self, path, query, body, shape):
        recorder = self.server.recorder
        with recorder.lock:
            bookings = list(recorder.bookings)
            frame = dict(recorder.frame)
        no = query.get("no", [""])[-1]
        pages = {
            "/": top_page, "/index.htm": top_page,
            FRAMESET_PATH: lambda: frameset_page(frame.get("src", MENU_PATH)),
            TITLE_PATH: title_page, MENU_PATH: lambda: menu_page(frame.get("link", "reserve.htm")),
            FORM_PATH: form_frame_page,
            INPUT_PATH: input_page, CHANNELS_PATH: channel_page,
            CHECK_ON: lambda: GIF_1X1, CHECK_OFF: lambda: GIF_1X1,
            LIST_PATH: lambda: list_page(bookings, recorder.slots),
            DETAIL_PATH: lambda: detail_page(bookings, int(no) if no.isdigit() else 0),
        }
        if path not in pages and path not in (ENTRY_PATH, REMOTE_PATH):
            self.send(404, status_page(404))
            return
        wanted = "POST" if path == ENTRY_PATH else "GET"
        if self.command != wanted:
            self.send(405, status_page(405), headers=[("Allow", wanted)])
            return
        if path == ENTRY_PATH:
            accepted, message = recorder.book(body)
            text = accepted_page(message) if accepted else refused_page(message)
            self.send(200, text, shape=shape)
            return
        if path == REMOTE_PATH:
            key = query.get("key", [None])[-1]
            if key is not None:
                with recorder.lock:
                    recorder.remote_keys.append(key)
                if not re.fullmatch(r"[0-9A-F]{2}", key):
                    self.send(400, status_page(400))
                    return
            self.send_page(remote_page(key), shape)
            return
        self.send_page(pages[path](), shape)

    def control(self, path, query, body):
        recorder = self.server.recorder
        arg = lambda name, default=None: query.get(name, [default])[-1]
        try:
            if path == "/_sim/reset":
                recorder.reset(seed=arg("seed", "1") != "0")
                self.send_json({"ok": True})
            elif path == "/_sim/clearlog":
                with recorder.lock:
                    recorder.clear_log()
                self.send_json({"ok": True})
            elif path == "/_sim/log":
                self.send_json(recorder.snapshot())
            elif path == "/_sim/reservations":
                if self.command == "POST":
                    items = json.loads(body.decode("utf-8"))["reservations"]
                    recorder.replace([Booking.from_json(x) for x in items])
                self.send_json(recorder.snapshot()["reservations"])
            elif path == "/_sim/fail":
                self.send_json(self.add_failure(arg))
            elif path == "/_sim/frame":
                with recorder.lock:
                    recorder.frame.update({k: arg(k) for k in ("src", "link") if arg(k)})
                    frame = dict(recorder.frame)
                self.send_json({"ok": True, "frame": frame})
            else:
                self.send_json({"error": "unknown control"}, 404)
        except (ValueError, KeyError, TypeError) as e:
            self.send_json({"error": str(e)}, 400)

    def add_failure(self, arg):
        step = arg("step")
        if step not in FAIL_TARGETS:
            raise ValueError("step must be one of %s" % ", ".join(FAIL_TARGETS))
        count = int(arg("count", "1"))
        mode = arg("mode", "status")
        failure = {"mode": mode, "count": count}
        if mode == "status":
            failure["status"] = int(arg("status", "500"))
            if not 100 <= failure["status"] <= 599:
                raise ValueError("status out of range")
            if arg("location"):
                failure["location"] = arg("location")
        elif mode in ("truncate", "chunkcut", "range"):
            failure["bytes"] = int(arg("bytes", "100" if mode == "range" else "0"))
            if mode == "chunkcut" and arg("before"):
                failure["before"] = arg("before")
            if mode == "range":
                if arg("etag", "keep") not in ("keep", "drop", "other"):
                    raise ValueError("etag must be keep, drop or other")
                failure.update(etag=arg("etag", "keep"), shift=int(arg("shift", "0")))
                if arg("total"):
                    failure["total"] = int(arg("total"))
        elif mode in ("delay", "drip"):
            failure["ms"] = int(arg("ms", "1000" if mode == "delay" else "50"))
        elif mode in ("plain", "badchunk"):
            if arg("before"):
                failure["before"] = arg("before")
            if mode == "plain":
                failure["end"] = arg("end", "close")
                if failure["end"] not in ("close", "reset", "silence"):
                    raise ValueError("end must be close, reset or silence")
            else:
                failure["size"] = arg("size", "")
        elif mode == "interim":
            failure["interim"] = int(arg("interim", "1"))
        elif mode == "gateway":
            failure["status"] = int(arg("status", "504"))
            if not 500 <= failure["status"] <= 599:
                raise ValueError("a gateway answers 5xx")
        elif mode not in ("close", "lost"):
            raise ValueError("mode must be status, close, lost, gateway, truncate, chunkcut, "
                             "delay, plain, badchunk, interim, drip or range")
        recorder = self.server.recorder
        with recorder.lock:
            if count <= 0:
                recorder.failures.pop(FAIL_TARGETS[step], None)
            else:
                recorder.failures[FAIL_TARGETS[step]] = failure
        return {"ok": True, "path": FAIL_TARGETS[step], "failure": failure}


def main(argv=None):
    ap = argparse.ArgumentParser(description="RD-Style recorder simulator")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--bind", default="127.0.0.1")
    ap.add_argument("--user")
    ap.add_argument("--password")
    ap.add_argument("--state")
    ap.add_argument("--port-file")
    ap.add_argument("--slots", type=int, default=32)
    ap.add_argument("--no-range", action="store_true",
                    help="ignore Range headers and always answer the whole page with 200")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args(argv)
    if args.bind != "127.0.0.1":
        ap.error("--bind accepts 127.0.0.1 only")

    server = ThreadingHTTPServer((args.bind, args.port), Handler)
    server.daemon_threads = True
    server.verbose = args.verbose
    server.honour_range = not args.no_range
    server.recorder = Recorder(args.slots, args.state)
    server.recorder_auth = None
    if args.user is not None or args.password is not None:
        server.recorder_auth = ("%s:%s" % (args.user or "", args.password or "")).encode(ENCODING)
    port = server.server_address[1]

    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    worker = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2})
    worker.start()
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    print("recorder simulator listening on http://127.0.0.1:%d" % port, flush=True)
    while not stop.wait(0.5):
        pass
    server.shutdown()
    worker.join()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
