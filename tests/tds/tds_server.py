#!/usr/bin/python3
"""A scripted TDS 7.4 server for the test suite: it speaks just enough of the protocol for the
FreeTDS ODBC driver to log in, run batches and prepared statements, and read typed results.
It is not a database: every answer comes from the script, and everything that arrives is
written to the log, one JSON object per line, flushed at once.

    tds_server.py --log LOG [--script SCRIPT]   (without --script the script is read from stdin)

Prints "PORT <n>" on the first line of stdout once it listens on 127.0.0.1:<n>. With --script
it ends when its stdin is closed, so that it does not outlive the test that started it.

Script (JSON object, every key optional):
  "login":  {"errors": [ERROR...]}   refuse every login with these errors
            {"silent": true}          answer PRELOGIN, never answer LOGIN7
  "after_login": "silent"             log in, then never answer anything
  "rules": [{"match": TEXT, "regex": false, "reply": [ITEM...], "delay": SECONDS,
             "drop_after_rows": N}]  first rule whose TEXT is in the statement (or whose
                                      regex searches it) answers; unmatched statements get an
                                      empty success; an ATTENTION during the delay is
                                      acknowledged at once and the reply is not sent
  ITEM: {"result": {"columns": [{"name", "type", "identity"}], "rows": [[...]]}}
        {"error": {"number", "message", "class", "state"}}
        {"done": {"rowcount": N}}
  Types: INT SMALLINT TINYINT BIGINT BIT FLOAT REAL MONEY DATETIME DATE VARCHAR(n) NVARCHAR(n)
         NVARCHAR(MAX) VARCHAR(MAX) NTEXT TEXT NUMERIC(p,s) DECIMAL(p,s) UNIQUEIDENTIFIER
         VARBINARY(n).
  Values: null, numbers, numeric values as text ("123.5"), dates as "yyyy-mm-dd[ hh:mm:ss[.fff]]",
          binary values and identifiers as hexadecimal text.
"""

import argparse
import datetime
import decimal
import json
import os
import re
import select
import socket
import socketserver
import struct
import sys
import threading

PRELOGIN, LOGIN7, SQL_BATCH, RPC, ATTENTION, REPLY = 0x12, 0x10, 0x01, 0x03, 0x06, 0x04
PACKET_SIZE = 4096
PROC_NAMES = {10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
              15: "sp_unprepare"}
# Latin1_General_CI_AS
COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])

DONE_MORE, DONE_ERROR, DONE_COUNT, DONE_ATTN = 0x01, 0x02, 0x10, 0x20


class Log:
    def __init__(self, path):
        self.lock = threading.Lock()
        self.file = open(path, "a", encoding="utf-8")

    def write(self, **entry):
        with self.lock:
            self.file.write(json.dumps(entry, ensure_ascii=True) + "\n")
            self.file.flush()


class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        chunk = self.data[self.pos:self.pos + n]
        if len(chunk) != n:
            raise ValueError("message ends early")
        self.pos += n
        return chunk

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack("<H", self.take(2))[0]

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def u64(self):
        return struct.unpack("<Q", self.take(8))[0]

    def b_varchar(self):
        return self.take(self.u8() * 2).decode("utf-16-le", "surrogatepass")

    def us_varchar(self):
        return self.take(self.u16() * 2).decode("utf-16-le", "surrogatepass")

    def at_end(self):
        return self.pos >= len(self.data)


def text(raw):
    return raw.decode("utf-16-le", "surrogatepass")


# --- encoding -------------------------------------------------------------------------------

def b_varchar(s):
    raw = s.encode("utf-16-le", "surrogatepass")
    return bytes([len(raw) // 2]) + raw


def us_varchar(s):
    raw = s.encode("utf-16-le", "surrogatepass")
    return struct.pack("<H", len(raw) // 2) + raw


def env_change(kind, new, old=""):
    body = bytes([kind]) + b_varchar(new) + b_varchar(old)
    return b"\xE3" + struct.pack("<H", len(body)) + body


def message_token(token, number, message, cls, state=1, server="TDSTEST", proc=""):
    body = (struct.pack("<iBB", number, state, cls) + us_varchar(message) + b_varchar(server)
            + b_varchar(proc) + struct.pack("<i", 1))
    return bytes([token]) + struct.pack("<H", len(body)) + body


def error_token(item):
    return message_token(0xAA, int(item.get("number", 50000)), item.get("message", "Error"),
                         int(item.get("class", 16)), int(item.get("state", 1)))


def done_token(token, status, rowcount=0):
    return bytes([token]) + struct.pack("<HHQ", status, 0xC1, rowcount)


def with_more(chunk):
    """The chunk, whose last token is a DONE kind, saying that more results follow."""
    status = struct.unpack("<H", chunk[-12:-10])[0] | DONE_MORE
    return chunk[:-12] + struct.pack("<H", status) + chunk[-10:]


class Column:
    """One result column: its COLMETADATA entry and the encoding of its values."""

    def __init__(self, definition):
        self.name = definition["name"]
        self.identity = bool(definition.get("identity", False))
        t = definition["type"].upper().replace(" ", "")
        self.type = t
        m = re.fullmatch(r"(NUMERIC|DECIMAL)\((\d+),(\d+)\)", t)
        n = re.fullmatch(r"(N?VARCHAR)\((\d+|MAX)\)", t)
        if t in ("INT", "SMALLINT", "TINYINT", "BIGINT"):
            self.size = {"INT": 4, "SMALLINT": 2, "TINYINT": 1, "BIGINT": 8}[t]
            self.info, self.kind = bytes([0x26, self.size]), "int"
        elif t == "BIT":
            self.info, self.kind = bytes([0x68, 1]), "bit"
        elif t in ("FLOAT", "REAL"):
            self.size = 8 if t == "FLOAT" else 4
            self.info, self.kind = bytes([0x6D, self.size]), "float"
        elif t == "MONEY":
            self.info, self.kind = bytes([0x6E, 8]), "money"
        elif t == "UNIQUEIDENTIFIER":
            self.info, self.kind = bytes([0x24, 16]), "guid"
        elif re.fullmatch(r"VARBINARY\((\d+)\)", t):
            self.info = bytes([0xA5]) + struct.pack("<H", int(t[10:-1]))
            self.kind = "binary"
        elif t == "DATETIME":
            self.info, self.kind = bytes([0x6F, 8]), "datetime"
        elif t == "DATE":
            self.info, self.kind = bytes([0x28]), "date"
        elif m:
            self.precision, self.scale = int(m.group(2)), int(m.group(3))
            self.size = 5 if self.precision <= 9 else 9 if self.precision <= 19 else \
                13 if self.precision <= 28 else 17
            code = 0x6C if m.group(1) == "NUMERIC" else 0x6A
            self.info = bytes([code, self.size, self.precision, self.scale])
            self.kind = "numeric"
        elif n:
            wide = n.group(1) == "NVARCHAR"
            self.wide = wide
            if n.group(2) == "MAX":
                self.info, self.kind = bytes([0xE7 if wide else 0xA7]) + b"\xFF\xFF" + COLLATION, \
                    "plp"
            else:
                length = int(n.group(2)) * (2 if wide else 1)
                self.info = bytes([0xE7 if wide else 0xA7]) + struct.pack("<H", length) + \
                    COLLATION
                self.kind = "varchar"
        elif t in ("NTEXT", "TEXT"):
            self.wide = t == "NTEXT"
            self.info = bytes([0x63 if self.wide else 0x23]) + struct.pack("<I", 0x7FFFFFFF) + \
                COLLATION + b"\x01" + us_varchar("T")
            self.kind = "text"
        else:
            raise ValueError("unknown column type " + definition["type"])

    def metadata(self):
        flags = 0x0001 | (0x0010 if self.identity else 0x0008)
        return struct.pack("<IH", 0, flags) + self.info + b_varchar(self.name)

    def chars(self, value):
        return str(value).encode("utf-16-le" if self.wide else "cp1252", "surrogatepass")

    def value(self, v):
        k = self.kind
        if k == "int":
            return b"\x00" if v is None else bytes([self.size]) + \
                int(v).to_bytes(self.size, "little", signed=True)
        if k == "bit":
            return b"\x00" if v is None else b"\x01" + bytes([1 if v else 0])
        if k == "float":
            return b"\x00" if v is None else bytes([self.size]) + \
                struct.pack("<d" if self.size == 8 else "<f", float(v))
        if k == "money":
            if v is None:
                return b"\x00"
            units = int(decimal.Decimal(str(v)).scaleb(4).to_integral_value())
            return b"\x08" + struct.pack("<iI", units >> 32, units & 0xFFFFFFFF)
        if k == "guid":
            return b"\x00" if v is None else b"\x10" + bytes.fromhex(v.replace("-", ""))
        if k == "binary":
            return b"\xFF\xFF" if v is None else struct.pack("<H", len(v) // 2) + \
                bytes.fromhex(v)
        if k == "datetime":
            if v is None:
                return b"\x00"
            d = parse_time(v)
            base = datetime.datetime(1900, 1, 1)
            days = (d.date() - base.date()).days
            midnight = d.replace(hour=0, minute=0, second=0, microsecond=0)
            ticks = round((d - midnight).total_seconds() * 300)
            return b"\x08" + struct.pack("<iI", days, ticks)
        if k == "date":
            if v is None:
                return b"\x00"
            days = (parse_time(v).date() - datetime.date(1, 1, 1)).days
            return b"\x03" + days.to_bytes(3, "little")
        if k == "numeric":
            if v is None:
                return b"\x00"
            scaled = int(decimal.Decimal(str(v)).scaleb(self.scale).to_integral_value())
            return bytes([self.size, 0 if scaled < 0 else 1]) + \
                abs(scaled).to_bytes(self.size - 1, "little")
        if k == "varchar":
            return b"\xFF\xFF" if v is None else struct.pack("<H", len(self.chars(v))) + \
                self.chars(v)
        if k == "plp":
            if v is None:
                return b"\xFF" * 8
            raw = self.chars(v)
            chunks = b"".join(struct.pack("<I", len(raw[i:i + 1000])) + raw[i:i + 1000]
                              for i in range(0, len(raw), 1000))
            return struct.pack("<Q", len(raw)) + chunks + b"\x00\x00\x00\x00"
        if k == "text":
            if v is None:
                return b"\x00"
            raw = self.chars(v)
            return b"\x10" + b"\x00" * 16 + b"\x00" * 8 + struct.pack("<I", len(raw)) + raw
        raise AssertionError(k)


def parse_time(v):
    for form in ("%Y-%m-%d %H:%M:%S.%f", "%Y-%m-%d %H:%M:%S", "%Y-%m-%d %H:%M", "%Y-%m-%d"):
        try:
            return datetime.datetime.strptime(v, form)
        except ValueError:
            pass
    raise ValueError("bad date " + v)


# --- decoding of parameters -----------------------------------------------------------------

def read_type_info(r):
    t = r.u8()
    info = {"code": t}
    if t in (0x26, 0x68, 0x6D, 0x6F, 0x6E, 0x24):  # INTN BITN FLTN DATETIMN MONEYN GUID
        info["len"] = r.u8()
    elif t in (0x6A, 0x6C):  # DECIMALN NUMERICN
        info["len"], info["precision"], info["scale"] = r.u8(), r.u8(), r.u8()
    elif t in (0xE7, 0xA7, 0xEF, 0xAF):  # NVARCHAR VARCHAR NCHAR CHAR
        info["len"] = r.u16()
        r.take(5)
    elif t in (0xA5, 0xAD):  # VARBINARY BINARY
        info["len"] = r.u16()
    elif t in (0x63, 0x23):  # NTEXT TEXT
        info["len"] = r.u32()
        r.take(5)
    elif t == 0x22:  # IMAGE
        info["len"] = r.u32()
    elif t == 0x28:  # DATE
        pass
    elif t in (0x29, 0x2A, 0x2B):  # TIME DATETIME2 DATETIMEOFFSET
        info["scale"] = r.u8()
    elif t in (0x30, 0x34, 0x38, 0x7F, 0x32, 0x3B, 0x3E, 0x3D, 0x3A, 0x3C, 0x7A):
        info["len"] = {0x30: 1, 0x34: 2, 0x38: 4, 0x7F: 8, 0x32: 1, 0x3B: 4, 0x3E: 8,
                       0x3D: 8, 0x3A: 4, 0x3C: 8, 0x7A: 4}[t]
        info["fixed"] = True
    else:
        raise ValueError("parameter type 0x%02X not understood" % t)
    return info


def read_plp(r):
    total = r.u64()
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    out = b""
    while True:
        n = r.u32()
        if n == 0:
            return out
        out += r.take(n)


def read_value(r, info):
    t = info["code"]
    if info.get("fixed"):
        raw = r.take(info["len"])
        if t in (0x30, 0x34, 0x38, 0x7F):
            return int.from_bytes(raw, "little", signed=t != 0x30)
        if t == 0x32:
            return bool(raw[0])
        if t == 0x3E:
            return struct.unpack("<d", raw)[0]
        return raw.hex()
    if t in (0xE7, 0xA7, 0xEF, 0xAF, 0xA5, 0xAD):
        if info["len"] == 0xFFFF:
            raw = read_plp(r)
        else:
            n = r.u16()
            raw = None if n == 0xFFFF else r.take(n)
        if raw is None:
            return None
        if t in (0xE7, 0xEF):
            return text(raw)
        return raw.decode("cp1252", "replace") if t in (0xA7, 0xAF) else raw.hex()
    if t in (0x63, 0x23, 0x22):
        # Parameters carry no text pointer, only the length.
        n = r.u32()
        if n == 0xFFFFFFFF:
            return None
        raw = r.take(n)
        return text(raw) if t == 0x63 else raw.decode("cp1252", "replace")
    n = r.u8()
    if n == 0:
        return None
    raw = r.take(n)
    if t == 0x26:
        return int.from_bytes(raw, "little", signed=True)
    if t == 0x68:
        return bool(raw[0])
    if t == 0x6D:
        return struct.unpack("<d" if n == 8 else "<f", raw)[0]
    if t in (0x6A, 0x6C):
        v = int.from_bytes(raw[1:], "little") * (1 if raw[0] else -1)
        return str(decimal.Decimal(v).scaleb(-info["scale"]))
    if t == 0x6F:
        days, ticks = struct.unpack("<iI", raw) if n == 8 else struct.unpack("<HH", raw)
        d = datetime.datetime(1900, 1, 1) + datetime.timedelta(days=days)
        d += datetime.timedelta(seconds=ticks / 300.0 if n == 8 else ticks * 60)
        return d.isoformat(sep=" ")
    return raw.hex()


def skip_all_headers(r):
    total = struct.unpack("<I", r.data[r.pos:r.pos + 4])[0]
    r.take(total)


# --- the connection -------------------------------------------------------------------------

class Dropped(Exception):
    pass


class Session(socketserver.BaseRequestHandler):
    def setup(self):
        self.script = self.server.script
        self.log = self.server.log
        with self.server.lock:
            self.server.connections += 1
            self.conn = self.server.connections
        self.prepared = {}
        self.handles = 0
        self.silent = False

    def handle(self):
        self.log.write(event="connect", conn=self.conn)
        try:
            while True:
                kind, payload = self.receive()
                if kind is None:
                    break
                if self.silent:
                    self.log.write(event="unanswered", conn=self.conn, type=kind)
                    continue
                if kind == PRELOGIN:
                    self.prelogin(payload)
                elif kind == LOGIN7:
                    self.login(payload)
                elif kind == SQL_BATCH:
                    r = Reader(payload)
                    skip_all_headers(r)
                    statement = text(r.data[r.pos:])
                    self.log.write(event="batch", conn=self.conn, text=statement)
                    self.answer(statement, rpc=None)
                elif kind == RPC:
                    self.rpc(payload)
                elif kind == ATTENTION:
                    self.log.write(event="attention", conn=self.conn)
                    self.send(done_token(0xFD, DONE_ATTN))
                else:
                    self.log.write(event="unknown", conn=self.conn, type=kind)
        except (Dropped, ConnectionError, OSError):
            pass
        except Exception as e:  # a message the double does not understand: say so in the log
            self.log.write(event="fault", conn=self.conn, error=repr(e))
        self.log.write(event="disconnect", conn=self.conn)

    def receive(self):
        payload, kind = b"", None
        while True:
            header = self.read_exactly(8)
            if header is None:
                return None, None
            kind, status, length = header[0], header[1], struct.unpack(">H", header[2:4])[0]
            body = self.read_exactly(length - 8)
            if body is None:
                return None, None
            payload += body
            if status & 0x01:
                return kind, payload

    def read_exactly(self, n):
        data = b""
        while len(data) < n:
            chunk = self.request.recv(n - len(data))
            if not chunk:
                return None
            data += chunk
        return data

    def send(self, data, final=True):
        room = PACKET_SIZE - 8
        chunks = [data[i:i + room] for i in range(0, len(data), room)] or [b""]
        for i, chunk in enumerate(chunks):
            last = final and i == len(chunks) - 1
            header = struct.pack(">BBHHBB", REPLY, 0x01 if last else 0x00, len(chunk) + 8, 0,
                                 1, 0)
            self.request.sendall(header + chunk)

    def prelogin(self, payload):
        self.log.write(event="prelogin", conn=self.conn)
        options = [(0x00, bytes([16, 0, 0x07, 0xD0, 0, 0])),  # version 16.0.2000
                   (0x01, b"\x02"),  # encryption not supported
                   (0x02, b"\x00"), (0x03, b"\x00\x00\x00\x00"), (0x04, b"\x00")]
        offset = len(options) * 5 + 1
        head, body = b"", b""
        for token, value in options:
            head += struct.pack(">BHH", token, offset + len(body), len(value))
            body += value
        self.send(head + b"\xFF" + body)

    def login(self, payload):
        r = Reader(payload)
        fields = {}
        names = ["host", "user", "password", "app", "server", "extension", "library", "language",
                 "database"]
        r.pos = 36
        spans = [(r.u16(), r.u16()) for _ in names]
        for name, (offset, chars) in zip(names, spans):
            raw = payload[offset:offset + chars * 2]
            if name == "password":
                raw = bytes((((b ^ 0xA5) << 4) & 0xF0) | ((b ^ 0xA5) >> 4) for b in raw)
            if name != "extension":
                fields[name] = text(raw)
                fields[name + "_hex"] = raw.hex()
        fields["tds_version"] = "%08X" % struct.unpack("<I", payload[4:8])[0]
        self.log.write(event="login", conn=self.conn, **fields)
        login = self.script.get("login", {})
        if login.get("silent"):
            self.silent = True
            return
        if login.get("errors"):
            self.send(b"".join(error_token(e) for e in login["errors"]) +
                      done_token(0xFD, DONE_ERROR))
            return
        database = fields["database"] or "master"
        ack_body = b"\x01" + bytes([0x74, 0, 0, 4]) + b_varchar("Microsoft SQL Server") + \
            bytes([16, 0, 0x07, 0xD0])
        collation = bytes([7, 5]) + COLLATION + b"\x00"
        reply = (env_change(1, database, "master") +
                 message_token(0xAB, 5701, "Changed database context to '%s'." % database, 0) +
                 b"\xE3" + struct.pack("<H", len(collation)) + collation +
                 env_change(2, "us_english") +
                 b"\xAD" + struct.pack("<H", len(ack_body)) + ack_body +
                 env_change(4, str(PACKET_SIZE), str(PACKET_SIZE)) +
                 done_token(0xFD, 0))
        self.send(reply)
        if self.script.get("after_login") == "silent":
            self.silent = True

    def rpc(self, payload):
        r = Reader(payload)
        skip_all_headers(r)
        while not r.at_end():
            n = r.u16()
            proc = PROC_NAMES.get(r.u16(), "proc") if n == 0xFFFF else \
                text(r.take(n * 2))
            r.u16()  # option flags
            params = []
            while not r.at_end() and r.data[r.pos] not in (0x80, 0xFF, 0xFE):
                name = r.b_varchar()
                status = r.u8()
                info = read_type_info(r)
                params.append({"name": name, "output": bool(status & 1), "type": info["code"],
                               "value": read_value(r, info)})
            if not r.at_end():
                r.u8()  # batch separator
            self.call(proc, params)

    def call(self, proc, params):
        values = [p["value"] for p in params]
        entry = {"event": "rpc", "conn": self.conn, "proc": proc, "params": params}
        handle, statement, arguments = None, None, []
        if proc in ("sp_prepexec", "sp_prepare"):
            self.handles += 1
            handle = self.handles
        if proc == "sp_prepexec":
            statement, arguments = values[2], params[3:]
            self.prepared[handle] = (statement, values[1])
        elif proc == "sp_prepare":
            self.prepared[handle] = (values[2], values[1])
            entry["statement"] = values[2]
            self.log.write(**entry)
            self.send(self.rpc_tail([], handle, params))
            return
        elif proc == "sp_execute":
            statement = self.prepared.get(values[0], ("", ""))[0]
            arguments = params[1:]
        elif proc == "sp_executesql":
            statement, arguments = values[0], params[2:]
        elif proc == "sp_unprepare":
            self.prepared.pop(values[0], None)
            self.log.write(**entry)
            self.send(self.rpc_tail([], None, params))
            return
        else:
            statement, arguments = proc, params
        entry["statement"] = statement
        entry["arguments"] = [p["value"] for p in arguments]
        self.log.write(**entry)
        self.answer(statement or "", rpc=(handle, params))

    def rpc_tail(self, body, handle, params):
        failed = any(kind == "error" for kind, _ in body)
        out = b"".join(with_more(chunk) for _, chunk in body)
        out += b"\x79" + struct.pack("<i", 1 if failed else 0)
        if handle is not None:
            p = next(p for p in params if p["output"])
            out += (b"\xAC" + struct.pack("<H", 0) + b_varchar(p["name"]) + b"\x01" +
                    struct.pack("<IH", 0, 0x0001) + bytes([0x26, 4]) + b"\x04" +
                    struct.pack("<i", handle))
        return out + done_token(0xFE, DONE_ERROR if failed else 0)

    def rule_for(self, statement):
        for rule in self.script.get("rules", []):
            pattern = rule["match"]
            if rule.get("regex") and re.search(pattern, statement, re.S):
                return rule
            if not rule.get("regex") and pattern in statement:
                return rule
        return {"reply": [{"done": {"rowcount": 1}}]}

    def wait(self, seconds):
        """Sleeps, reading: ATTENTION is acknowledged at once, as SQL Server does, and the
        delayed answer is abandoned (False)."""
        if not select.select([self.request], [], [], seconds)[0]:
            return True
        kind, _ = self.receive()
        if kind != ATTENTION:
            raise Dropped() if kind is None else ValueError("message 0x%02X during a delay" % kind)
        self.log.write(event="attention", conn=self.conn)
        self.send(done_token(0xFD, DONE_ATTN))
        return False

    def answer(self, statement, rpc):
        rule = self.rule_for(statement)
        if rule.get("delay") and not self.wait(float(rule["delay"])):
            return
        done = 0xFF if rpc else 0xFD
        body = []  # (kind, bytes)
        drop_after = rule.get("drop_after_rows")
        for item in rule.get("reply", []):
            if "result" in item:
                columns = [Column(c) for c in item["result"]["columns"]]
                chunk = b"\x81" + struct.pack("<H", len(columns)) + \
                    b"".join(c.metadata() for c in columns)
                for i, row in enumerate(item["result"]["rows"]):
                    if drop_after is not None and i == drop_after:
                        self.send(b"".join(b for _, b in body) + chunk, final=False)
                        self.log.write(event="dropped", conn=self.conn, rows=i)
                        self.request.shutdown(socket.SHUT_RDWR)
                        raise Dropped()
                    chunk += b"\xD1" + b"".join(c.value(v) for c, v in zip(columns, row))
                rows = len(item["result"]["rows"])
                body.append(("result", chunk + done_token(done, DONE_COUNT, rows)))
            elif "error" in item:
                body.append(("error", error_token(item["error"]) +
                             done_token(done, DONE_ERROR)))
            elif "done" in item:
                body.append(("done", done_token(done, DONE_COUNT,
                                                int(item["done"].get("rowcount", 0)))))
        if rpc:
            self.send(self.rpc_tail(body, rpc[0], rpc[1]))
            return
        if not body:
            body.append(("done", done_token(0xFD, 0)))
        # Every DONE but the last says that more follows.
        out = b""
        for i, (_, chunk) in enumerate(body):
            out += with_more(chunk) if i < len(body) - 1 else chunk
        self.send(out)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--script")
    args = parser.parse_args()
    if args.script:
        with open(args.script, encoding="utf-8") as f:
            script = json.load(f)
    else:
        script = json.loads(sys.stdin.read() or "{}")
    server = Server(("127.0.0.1", 0), Session)
    server.script, server.log = script, Log(args.log)
    server.lock, server.connections = threading.Lock(), 0
    print("PORT %d" % server.server_address[1], flush=True)
    if args.script:
        # Started by a test: end with it, even when it crashes and cannot stop us.
        def watch_parent():
            sys.stdin.buffer.read()
            os._exit(0)
        threading.Thread(target=watch_parent, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
