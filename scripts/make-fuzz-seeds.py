#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs to fuzz/seeds/<target>/.

    python3 scripts/make-fuzz-seeds.py

The recorder pages come from the simulator's own page builders, so the seeds look like what the
program reads in real use; the rest are small valid dialogues and files. Run again after changing
a page of the simulator and commit the result. Every seed file is rewritten; stale ones removed.
"""
import datetime
import os
import shutil
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tools"))
import recorder_sim as sim  # noqa: E402

SJIS = "cp932"
seeds_dir = os.path.join(root, "fuzz", "seeds")


def http_answer(body, chunks=None, status="200 OK", extra=""):
    """A whole answer as the client reads it: head, then the plain or chunked body."""
    head = "HTTP/1.1 %s\r\nContent-Type: text/html; charset=Shift_JIS\r\n%s" % (status, extra)
    if chunks is None:
        return (head + "Content-Length: %d\r\n\r\n" % len(body)).encode() + body
    out = (head + "Transfer-Encoding: chunked\r\n\r\n").encode()
    pos = 0
    for size in chunks:
        part = body[pos:pos + size]
        pos += len(part)
        out += b"%x\r\n" % len(part) + part + b"\r\n"
    return out + b"0\r\nX-Trailer: 1\r\n\r\n"


def pages():
    day = datetime.date(2026, 12, 20)
    bookings = [
        sim.Booking("ニュース", 4, 21 * 60, 21 * 60 + 54, date=day),
        sim.Booking("連続ドラマ", 6, 20 * 60, 20 * 60 + 45, weekly="毎月～金"),
        sim.Booking("深夜映画", 8, 23 * 60 + 30, 60 + 15, date=day, enabled=False),
    ]
    return {
        "frameset": sim.frameset_page().encode(SJIS),
        "menu": sim.menu_page().encode(SJIS),
        "form-frame": sim.form_frame_page().encode(SJIS),
        "input": sim.input_page(day).encode(SJIS),
        "accepted": sim.accepted_page(sim.MSG_ACCEPTED).encode(SJIS),
        "refused": sim.refused_page(sim.R_OVERLAP).encode(SJIS),
        "list": sim.list_page(bookings, 6).encode(SJIS),
        "channels": sim.channel_page().encode(SJIS),
    }


def seeds():
    p = pages()
    html = {k: v for k, v in p.items()}
    iepg = ("Content-type: application/x-tv-program-info; charset=Shift_JIS\r\n"
            "version: 1\r\nstation: 東都テレビ\r\nyear: 2026\r\nmonth: 12\r\ndate: 20\r\n"
            "start: 21:00\r\nend: 21:54\r\nprogram-title: 世界の車窓から\r\n"
            "program-subtitle: 「ソレント」\r\n\r\n美しい海岸線を走る列車の旅。\r\n").encode(SJIS)
    iepg_night = ("Content-type: application/x-tv-program-info; charset=Shift_JIS\n"
                  "station: NHK\nyear: 2027\nmonth: 1\ndate: 1\nstart: 23:45\nend: 00:30\n"
                  "program-title: ｶﾞｲﾄﾞ\n\n").encode(SJIS)
    # Digital broadcasting: the station by its service code, its name beside it.
    iepg_digital = ("Content-type: application/x-tv-program-digital-info; charset=shift_jis\r\n"
                    "version: 2\r\nstation: DFS00400\r\nstation-name: ＮＨＫ総合\r\nyear: 2026\r\n"
                    "month: 12\r\ndate: 20\r\nstart: 19:00\r\nend: 19:30\r\nprogram-title: ニュース７\r\n"
                    "program-id: 31234\r\n\r\n今日の出来事。\r\n").encode(SJIS)
    iepg_bs = ("Content-type: application/x-tv-program-digital-info; charset=Shift_JIS\n"
               "version: 2\nstation: BSDT101\nyear: 2027\nmonth: 1\ndate: 2\nstart: 06:00\nend: 06:15\n\n").encode(SJIS)
    smtp = (b"220 mail.example ESMTP ready\r\n"
            b"250-mail.example\r\n250-PIPELINING\r\n250-AUTH=LOGIN\r\n250 AUTH PLAIN LOGIN CRAM-MD5\r\n"
            b"334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n"
            b"235 2.7.0 Authentication successful\r\n250 2.1.0 Ok\r\n250 2.1.5 Ok\r\n"
            b"354 End data with <CR><LF>.<CR><LF>\r\n250 2.0.0 Ok: queued\r\n221 2.0.0 Bye\r\n")
    smtp_helo = (b"220 old.example\r\n500 5.5.1 Command unrecognized\r\n250 old.example\r\n"
                 b"250 Ok\r\n250 Ok\r\n354 go ahead\r\n250 Ok\r\n221 Bye\r\n")
    smtp_refused = (b"220 mx\r\n250-mx\r\n250 AUTH LOGIN\r\n334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n"
                    b"535 5.7.8 Authentication failed\r\n")
    smtp_starttls = (b"220 submission.example ESMTP\r\n"
                     b"250-submission.example\r\n250-PIPELINING\r\n250-STARTTLS\r\n250 SIZE 35882577\r\n"
                     b"220 2.0.0 Ready to start TLS\r\n")
    pop3 = (b"+OK Dovecot ready. <1896.697170952@dbc.mtview.ca.us>\r\n+OK Logged in.\r\n"
            b"+OK\r\n+OK Logged in.\r\n+OK Logging out.\r\n")
    pop3_plain = b"+OK ready\r\n-ERR no APOP\r\n+OK\r\n-ERR [AUTH] Authentication failed.\r\n+OK bye\r\n"
    ini = ("[config]\r\nbootexec=3\r\nhttpport=80\r\nhttpserver=192.0.2.10\r\nhttpuser=rd\r\n"
           "httppass=secret\r\nmailaddr=rd@example.jp\r\nsmtpauth=1\r\nsmtpserver=mail.example.jp\r\n"
           "title=録画予約\r\nvrate=0x0bb8\r\n[other]\r\n=odd\r\n").encode(SJIS)
    channels = ("[table]\r\nCH4=004,TT04,東都テレビ\r\nCH6=006,,NHK\r\nBS1=101,B01,ＢＳ１\r\n"
                "[channel]\r\n4=CH4\r\n6=CH6\r\n101=BS1\r\n").encode(SJIS)
    text = "番組表から予約ｶﾞｲﾄﾞ ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ ~\\ 髙橋".encode(SJIS)
    return {
        "Base64_fuzz": {"credentials": b"dXNlcjpwYXNzd29yZA==", "text": b"user:password\x00\xff"},
        "ChannelPage_fuzz": {"channels": html["channels"]},
        "ChannelTable_fuzz": {"channels.ini": channels},
        "CommandLine_fuzz": {
            "iepg": '"C:\\Program Files\\Pelorane\\Pelorane.exe" "C:\\Temp\\番組.iepg"'.encode("utf-8"),
            "positional": b'Pelorane.exe 4 2026 12 20 21:00 21:54 "title ""quoted""" detail',
            "keyword": b"Pelorane.exe ?RECLIST"},
        "ConfigStore_fuzz": {"Pelorane.ini": ini},
        "HtmlReader_fuzz": {k: v for k, v in html.items() if k in ("frameset", "menu", "list", "input")},
        "HtmlTokenizer_fuzz": {k: v for k, v in html.items() if k in ("frameset", "form-frame", "list", "refused")},
        "HttpHead_fuzz": {
            "chunked": http_answer(html["refused"], chunks=[5, 64, 100000]),
            "plain": http_answer(html["menu"], extra="ETag: \"5f-1a\"\r\n"),
            "partial": b"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 40-99/100\r\n"
                       b"Content-Length: 60\r\n\r\n" + b"x" * 60},
        "HttpReplay_fuzz": {
            # GET: a body cut after 40 of 100 bytes, then the rest as the same page's 206.
            "resumed": b"\x00" + b"HTTP/1.1 200 OK\r\nETag: \"p1\"\r\nContent-Length: 100\r\n\r\n" + b"a" * 40
                       + b"\n--next--\n" + b"HTTP/1.1 206 Partial Content\r\nETag: \"p1\"\r\n"
                       b"Content-Range: bytes 40-99/100\r\nContent-Length: 60\r\n\r\n" + b"b" * 60,
            # POST: the answer breaks off; a second answer waits that must never be asked for.
            "post-cut": b"\x01" + http_answer(html["accepted"])[:200] + b"\n--next--\n" + http_answer(html["accepted"]),
            "chunked": b"\x00" + http_answer(html["refused"], chunks=[17, 100, 1000]),
            # POST: an interim answer, then the acceptance without a length, ended by the close.
            "interim": b"\x01" + b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\n" + html["accepted"],
            # POST: the refusal without a length, reset before its end.
            "reset": b"\x01" + b"HTTP/1.1 200 OK\r\n\r\n" + html["refused"][:60] + b"<<reset",
            # A key: a slow server dripping its answer past the request's deadline.
            "slow": b"\x02" + b"HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n" + b"k" * 300 + b"<<slow"},
        "Iepg_fuzz": {"dated": iepg, "night": iepg_night, "digital": iepg_digital, "bs": iepg_bs},
        "JisEncoder_fuzz": {"text": text},
        "Pop3Reply_fuzz": {"apop": pop3, "plain": pop3_plain},
        "PagePath_fuzz": {
            "relative": b"\x00/program/b_prgrm.htm\nrsv/./menu.htm?x=1#top",
            "dots": b"\x01/program/rsv/menu.htm\n../rsv/reserve.htm",
            "absolute-url": b"\x01/program/rsv/menu.htm\nhttp://rec.example:8080/program/rsv/reserve.htm",
            "other-host": b"\x00/program/b_prgrm.htm\n//elsewhere/x.htm"},
        "ReservationList_fuzz": {"list": html["list"], "frameset": html["frameset"]},
        "ResultMessage_fuzz": {"accepted": html["accepted"], "refused": html["refused"]},
        "SmtpReply_fuzz": {"auth": smtp, "helo": smtp_helo, "refused": smtp_refused,
                           "starttls": smtp_starttls},
    }


def main():
    for target, files in seeds().items():
        folder = os.path.join(seeds_dir, target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    print("seeds written to", os.path.relpath(seeds_dir, root))


if __name__ == "__main__":
    main()
