#!/usr/bin/python3
"""SQL Server stand-in for tests: enough of TDS 7.4 for the FreeTDS ODBC driver and tsql.

Listens on 127.0.0.1 only and ends by itself after --deadline seconds. It answers
PRELOGIN (encryption not supported), checks LOGIN7 (login, password, database),
and runs SQL batches made of the statements the backup job sends: USE, DECLARE,
SET @v = <concatenation>, EXEC(@v) of a BACKUP DATABASE statement, and
SELECT <expr> [AS] alias. dbo.fFormatDate(format, moment) knows the tokens
AAAA (year), MM (month), DD (day), HH (hour), mm (minute), SS (second).
BACKUP DATABASE writes a file of deterministic, compressible content at the
path of DISK = N'...', backslashes read as separators, after the prefix map.
Anything it does not understand is an error reply, never a false success.

Usage:
  /usr/bin/python3 sqlserver_standin.py [options]
    --port N             port to listen on; 0 picks a free one (default 0)
    --port-file FILE     write the chosen port to FILE (atomically) once listening
    --record FILE        write the text of each SQL batch received to FILE (UTF-8,
                         byte for byte; the latest batch wins)
    --clock ISO          fixed server clock for GETDATE(), e.g. 2024-01-31T23:59:59
                         (default: the local time at each call)
    --size N             size of a backup file in bytes; K, M, G suffixes allowed
                         (default 1M)
    --map 'WIN=POSIX'    prefix map for Windows paths, e.g. 'D:\\=/tmp/x/'; may be
                         repeated; matched without regard to case
    --login NAME         the one login accepted (default BKP)
    --password TEXT      its password (default the backup login's)
    --database NAME      a database that exists besides master; may be repeated
                         (default Loja)
    --fault NAME         login-refused | unknown-database | no-fformatdate |
                         backup-refused | no-reply | drop-connection |
                         null-fformatdate (dbo.fFormatDate returns NULL) |
                         malformed-varchar-max (a SELECT's column is declared
                         varchar(max) but its value is sent with a plain 2-byte
                         length instead of in PLP chunks)
    --reply-name TEXT    the value a SELECT of a column named NomeArquivo returns
                         in place of the real one (the backup is still written
                         under the real name)
    --deadline SECONDS   stop after this many seconds (default 600)
The port is also printed on stdout as one line once the stand-in listens.
"""

import argparse
import datetime
import os
import random
import re
import socket
import socketserver
import struct
import sys
import threading
import time

SERVER_NAME = "STANDIN"
PRODUCT_NAME = "Microsoft SQL Server"
PRODUCT_VERSION = (15, 0, 2000)
DEFAULT_PASSWORD = "Hq4Zp7Wm3c519"
# Latin1_General_CI_AS: LCID 0x0409 with the case-insensitive, accent-sensitive flags; sort id 0x34.
COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])
CODEPAGE = "cp1252"
FAULTS = ("login-refused", "unknown-database", "no-fformatdate", "backup-refused",
          "no-reply", "drop-connection", "null-fformatdate", "malformed-varchar-max")
SYSTEM_DATABASES = ("master", "tempdb", "model", "msdb")
PAGE = 8192

# Packet types
PT_SQL_BATCH = 0x01
PT_REPLY = 0x04
PT_ATTENTION = 0x06
PT_LOGIN7 = 0x10
PT_PRELOGIN = 0x12

# Token types
TK_COLMETADATA = 0x81
TK_ERROR = 0xAA
TK_INFO = 0xAB
TK_LOGINACK = 0xAD
TK_ROW = 0xD1
TK_ENVCHANGE = 0xE3
TK_DONE = 0xFD
TK_DONEINPROC = 0xFF

DONE_FINAL = 0x0000
DONE_MORE = 0x0001
DONE_ERROR = 0x0002
DONE_COUNT = 0x0010
DONE_ATTN = 0x0020


class SqlError(Exception):
    """An error the server reports to the client: number, severity, text."""

    def __init__(self, number, text, severity=16, state=1, abort_batch=True):
        super().__init__(text)
        self.number = number
        self.text = text
        self.severity = severity
        self.state = state
        self.abort_batch = abort_batch


# ---------------------------------------------------------------- wire encoding

def ucs2(text):
    return text.encode("utf-16-le")


def b_varchar(text):
    return bytes([len(text)]) + ucs2(text)


def us_varchar(text):
    return struct.pack("<H", len(text)) + ucs2(text)


class Reply:
    """Token stream of one reply, sent as packets of the negotiated size."""

    def __init__(self):
        self.data = bytearray()

    def message(self, token, number, text, severity, state=1, line=1, proc=""):
        body = (struct.pack("<iBB", number, state, severity) + us_varchar(text)
                + b_varchar(SERVER_NAME) + b_varchar(proc) + struct.pack("<i", line))
        self.data += struct.pack("<BH", token, len(body)) + body

    def info(self, number, text, state=1, line=1):
        self.message(TK_INFO, number, text, 0, state, line)

    def error(self, err, line=1):
        self.message(TK_ERROR, err.number, err.text, err.severity, err.state, line)

    def envchange(self, kind, new, old):
        if kind == 7:
            body = bytes([kind, len(new)]) + new + bytes([len(old)]) + old
        else:
            body = bytes([kind]) + b_varchar(new) + b_varchar(old)
        self.data += struct.pack("<BH", TK_ENVCHANGE, len(body)) + body

    def loginack(self, tds_version):
        major, minor, build = PRODUCT_VERSION
        body = (bytes([1]) + struct.pack(">I", tds_version) + b_varchar(PRODUCT_NAME)
                + bytes([major, minor, build >> 8, build & 0xFF]))
        self.data += struct.pack("<BH", TK_LOGINACK, len(body)) + body

    def done(self, status, rowcount=0, curcmd=0, token=TK_DONE):
        self.data += struct.pack("<BHHQ", token, status, curcmd, rowcount)

    def varchar_result(self, name, size, values, broken_max=False):
        if broken_max:
            # Declared varchar(max), whose values must come in PLP chunks, but
            # sent as a plain varchar value: a reply no client can read.
            size = 0xFFFF
        self.data += struct.pack("<BH", TK_COLMETADATA, 1)
        self.data += struct.pack("<IHBH", 0, 0x0001, 0xA7, size) + COLLATION + b_varchar(name)
        for value in values:
            if value is None:
                self.data += bytes([TK_ROW]) + struct.pack("<H", 0xFFFF)
                continue
            raw = value.encode(CODEPAGE, errors="replace")[:size]
            self.data += bytes([TK_ROW]) + struct.pack("<H", len(raw)) + raw


def send_packets(sock, ptype, payload, packet_size):
    chunk = packet_size - 8
    packet_id = 1
    pos = 0
    while True:
        part = payload[pos:pos + chunk]
        pos += chunk
        last = pos >= len(payload)
        header = struct.pack(">BBHHBB", ptype, 0x01 if last else 0x00, len(part) + 8, 0,
                             packet_id & 0xFF, 0)
        sock.sendall(header + part)
        packet_id += 1
        if last:
            return


def read_exact(sock, n):
    buf = bytearray()
    while len(buf) < n:
        part = sock.recv(n - len(buf))
        if not part:
            return None
        buf += part
    return bytes(buf)


def read_message(sock):
    """One client message: (packet type, payload), or None when the peer has gone."""
    payload = bytearray()
    ptype = None
    while True:
        header = read_exact(sock, 8)
        if header is None:
            return None
        ptype, status, length = struct.unpack(">BBH", header[:4])
        if length < 8:
            return None
        body = read_exact(sock, length - 8)
        if body is None:
            return None
        payload += body
        if status & 0x01:
            return ptype, bytes(payload)


# ---------------------------------------------------------------- T-SQL subset

TOKEN_RE = re.compile(r"""
    (?P<ws>\s+|--[^\n]*|/\*.*?\*/)
  | (?P<nstr>[Nn]'(?:[^']|'')*')
  | (?P<str>'(?:[^']|'')*')
  | (?P<bracket>\[(?:[^\]]|\]\])*\])
  | (?P<var>@@?[^\W\d][\w@#$]*)
  | (?P<num>\d+(?:\.\d+)?)
  | (?P<word>[^\W\d][\w@#$]*|\#[\w@#$]+)
  | (?P<punct>[(),.;=+*])
""", re.VERBOSE | re.DOTALL)


class Tok:
    def __init__(self, kind, text, value):
        self.kind = kind    # 'str', 'name', 'var', 'num', 'word', 'punct'
        self.text = text    # as written
        self.value = value  # unescaped value / upper-case keyword

    def is_word(self, *words):
        return self.kind == "word" and self.value in words

    def is_punct(self, ch):
        return self.kind == "punct" and self.text == ch


def tokenize(text):
    toks = []
    pos = 0
    while pos < len(text):
        m = TOKEN_RE.match(text, pos)
        if not m:
            bad = text[pos:pos + 1]
            raise SqlError(102, "Incorrect syntax near '%s'." % bad, severity=15)
        pos = m.end()
        kind = m.lastgroup
        raw = m.group(0)
        if kind == "ws":
            continue
        if kind == "nstr":
            toks.append(Tok("str", raw, raw[2:-1].replace("''", "'")))
        elif kind == "str":
            toks.append(Tok("str", raw, raw[1:-1].replace("''", "'")))
        elif kind == "bracket":
            toks.append(Tok("name", raw, raw[1:-1].replace("]]", "]")))
        elif kind == "word":
            toks.append(Tok("word", raw, raw.upper()))
        else:
            toks.append(Tok(kind, raw, raw))
    return toks


STATEMENT_WORDS = {"USE", "DECLARE", "SET", "EXEC", "EXECUTE", "SELECT", "BACKUP"}


class Session:
    """One client connection after login: current database, variables, options."""

    def __init__(self, server, database):
        self.server = server
        self.database = database
        self.variables = {}  # upper-case name -> [max length, value]

    # -- parsing helpers
    def expect_word(self, toks, i, word):
        if i >= len(toks) or not toks[i].is_word(word):
            raise self.syntax(toks, i)
        return i + 1

    def expect_punct(self, toks, i, ch):
        if i >= len(toks) or not toks[i].is_punct(ch):
            raise self.syntax(toks, i)
        return i + 1

    @staticmethod
    def syntax(toks, i):
        near = toks[i].text if i < len(toks) else (toks[-1].text if toks else "")
        return SqlError(102, "Incorrect syntax near '%s'." % near, severity=15)

    @staticmethod
    def identifier(toks, i):
        if i < len(toks) and toks[i].kind in ("word", "name"):
            return (toks[i].value if toks[i].kind == "name" else toks[i].text), i + 1
        raise Session.syntax(toks, i)

    def statement_end(self, toks, i):
        while i < len(toks) and toks[i].is_punct(";"):
            i += 1
        if i < len(toks) and not (toks[i].kind == "word" and toks[i].value in STATEMENT_WORDS):
            raise self.syntax(toks, i)
        return i

    # -- expressions: concatenations of texts, variables and the few functions known
    def expression(self, toks, i):
        value, i = self.term(toks, i)
        while i < len(toks) and toks[i].is_punct("+"):
            right, i = self.term(toks, i + 1)
            if value is None or right is None:
                value = None
            elif isinstance(value, str) and isinstance(right, str):
                value = value + right
            elif isinstance(value, (int, float)) and isinstance(right, (int, float)):
                value = value + right
            else:
                raise SqlError(245, "Conversion failed when converting the varchar value "
                                    "to data type int.")
        return value, i

    def term(self, toks, i):
        if i >= len(toks):
            raise self.syntax(toks, i)
        tok = toks[i]
        if tok.kind == "str":
            return tok.value, i + 1
        if tok.kind == "num":
            return (float(tok.text) if "." in tok.text else int(tok.text)), i + 1
        if tok.kind == "var":
            key = tok.value.upper()
            if key not in self.variables:
                raise SqlError(137, 'Must declare the scalar variable "%s".' % tok.value,
                               severity=15, state=2)
            return self.variables[key][1], i + 1
        if tok.is_punct("("):
            value, i = self.expression(toks, i + 1)
            return value, self.expect_punct(toks, i, ")")
        if tok.is_word("GETDATE") or tok.is_word("CURRENT_TIMESTAMP"):
            if tok.value == "GETDATE":
                i = self.expect_punct(toks, i + 1, "(")
                i = self.expect_punct(toks, i, ")")
            else:
                i += 1
            return self.server.now(), i
        if tok.kind in ("word", "name") and i + 2 < len(toks) and toks[i + 1].is_punct("."):
            schema = tok.value if tok.kind == "name" else tok.text
            func = toks[i + 2].value if toks[i + 2].kind == "name" else toks[i + 2].text
            j = i + 3
            if j < len(toks) and toks[j].is_punct("("):
                return self.call(schema, func, toks, j)
        if tok.kind == "word" and tok.value not in STATEMENT_WORDS:
            raise SqlError(207, "Invalid column name '%s'." % tok.text)
        raise self.syntax(toks, i)

    def call(self, schema, func, toks, i):
        i = self.expect_punct(toks, i, "(")
        args = []
        if not toks[i].is_punct(")") if i < len(toks) else False:
            while True:
                value, i = self.expression(toks, i)
                args.append(value)
                if i < len(toks) and toks[i].is_punct(","):
                    i += 1
                    continue
                break
        i = self.expect_punct(toks, i, ")")
        known = (schema.lower() == "dbo" and func.lower() == "fformatdate"
                 and self.database.lower() not in SYSTEM_DATABASES
                 and not self.server.fault("no-fformatdate"))
        if not known:
            raise SqlError(4121, 'Cannot find either column "%s" or the user-defined function '
                                 'or aggregate "%s.%s", or the name is ambiguous.'
                           % (schema, schema, func))
        if len(args) != 2:
            raise SqlError(313, "An insufficient number of arguments were supplied for the "
                                "procedure or function %s.%s." % (schema, func))
        fmt, moment = args
        if fmt is None or moment is None or self.server.fault("null-fformatdate"):
            return None, i
        if not isinstance(moment, datetime.datetime):
            raise SqlError(241, "Conversion failed when converting date and/or time from "
                                "character string.")
        return format_date(str(fmt), moment), i

    # -- statements
    def run_batch(self, text, reply):
        toks = tokenize(text)
        i = 0
        while i < len(toks):
            while i < len(toks) and toks[i].is_punct(";"):
                i += 1
            if i >= len(toks):
                break
            try:
                i = self.statement(toks, i, reply)
            except SqlError as err:
                reply.error(err)
                reply.done(DONE_ERROR | DONE_MORE)
                if err.abort_batch:
                    return
                i = self.skip_statement(toks, i + 1)
        return

    @staticmethod
    def skip_statement(toks, i):
        while i < len(toks) and not (toks[i].kind == "word" and toks[i].value in STATEMENT_WORDS):
            i += 1
        return i

    def statement(self, toks, i, reply):
        tok = toks[i]
        if tok.is_word("USE"):
            name, i = self.identifier(toks, i + 1)
            db = self.server.find_database(name)
            if db is None:
                raise SqlError(911, "Database '%s' does not exist. Make sure that the name is "
                                    "entered correctly." % name)
            old = self.database
            self.database = db
            reply.envchange(1, db, old)
            reply.info(5701, "Changed database context to '%s'." % db, state=2)
            reply.done(DONE_MORE)
            return self.statement_end(toks, i)
        if tok.is_word("DECLARE"):
            i += 1
            while True:
                if i >= len(toks) or toks[i].kind != "var":
                    raise self.syntax(toks, i)
                name = toks[i].value.upper()
                i += 1
                if i < len(toks) and toks[i].is_word("AS"):
                    i += 1
                if i >= len(toks) or not toks[i].is_word("VARCHAR", "NVARCHAR", "CHAR", "NCHAR"):
                    raise self.syntax(toks, i)
                size = 1
                i += 1
                if i < len(toks) and toks[i].is_punct("("):
                    if i + 1 >= len(toks) or toks[i + 1].kind != "num":
                        raise self.syntax(toks, i + 1)
                    size = int(toks[i + 1].text)
                    i = self.expect_punct(toks, i + 2, ")")
                if name in self.variables:
                    raise SqlError(134, "The variable name '%s' has already been declared. "
                                        "Variable names must be unique within a query batch or "
                                        "stored procedure." % toks[i - 1].text, severity=15)
                self.variables[name] = [size, None]
                if i < len(toks) and toks[i].is_punct(","):
                    i += 1
                    continue
                break
            return self.statement_end(toks, i)
        if tok.is_word("SET"):
            if i + 1 < len(toks) and toks[i + 1].kind == "var":
                var = toks[i + 1]
                key = var.value.upper()
                i = self.expect_punct(toks, i + 2, "=")
                value, i = self.expression(toks, i)
                if key not in self.variables:
                    raise SqlError(137, 'Must declare the scalar variable "%s".' % var.value,
                                   severity=15, state=2)
                self.variables[key][1] = self.to_varchar(value, self.variables[key][0])
                return self.statement_end(toks, i)
            # Session options a client driver may send: SET TEXTSIZE n, SET <option> ON|OFF.
            if i + 2 < len(toks) and toks[i + 1].kind == "word":
                if toks[i + 1].value == "TEXTSIZE" and toks[i + 2].kind == "num":
                    reply.done(DONE_MORE)
                    return self.statement_end(toks, i + 3)
                if toks[i + 2].is_word("ON", "OFF"):
                    reply.done(DONE_MORE)
                    return self.statement_end(toks, i + 3)
            raise self.syntax(toks, i + 1)
        if tok.is_word("EXEC", "EXECUTE"):
            i = self.expect_punct(toks, i + 1, "(")
            value, i = self.expression(toks, i)
            i = self.expect_punct(toks, i, ")")
            self.dynamic(value or "", reply)
            return self.statement_end(toks, i)
        if tok.is_word("SELECT"):
            columns = []
            i += 1
            while True:
                size = 8000
                if (toks[i].kind == "var" if i < len(toks) else False) and not (
                        i + 1 < len(toks) and toks[i + 1].is_punct("+")):
                    size = self.variables.get(toks[i].value.upper(), [8000])[0]
                value, i = self.expression(toks, i)
                alias = ""
                if i < len(toks) and toks[i].is_word("AS"):
                    i += 1
                    if i < len(toks) and toks[i].kind == "str":
                        alias, i = toks[i].value, i + 1
                    else:
                        alias, i = self.identifier(toks, i)
                elif i < len(toks) and (toks[i].kind == "name" or (
                        toks[i].kind == "word" and toks[i].value not in STATEMENT_WORDS)):
                    alias, i = self.identifier(toks, i)
                columns.append((alias, value, size))
                if i < len(toks) and toks[i].is_punct(","):
                    i += 1
                    continue
                break
            i = self.statement_end(toks, i)
            if len(columns) != 1:
                raise SqlError(2812, "Could not find stored procedure 'SELECT'.")
            alias, value, size = columns[0]
            text = self.to_varchar(value, size)
            if alias.lower() == "nomearquivo" and self.server.options.reply_name is not None:
                text = self.server.options.reply_name
            reply.varchar_result(alias, size, [text],
                                 broken_max=self.server.fault("malformed-varchar-max"))
            reply.done(DONE_COUNT | DONE_MORE, 1, 0xC1)
            return i
        if tok.is_word("BACKUP"):
            # Only reached through EXEC of a dynamic statement (see dynamic()).
            raise SqlError(2812, "Could not find stored procedure 'BACKUP'.")
        raise SqlError(2812, "Could not find stored procedure '%s'." % tok.text)

    @staticmethod
    def to_varchar(value, size):
        if value is None:
            return None
        if isinstance(value, datetime.datetime):
            value = value.strftime("%b %d %Y %I:%M%p").replace(" 0", "  ")
        return str(value)[:size]

    def dynamic(self, text, reply):
        toks = tokenize(text)
        if toks and toks[0].is_word("BACKUP"):
            try:
                self.backup(toks, reply)
            except SqlError as err:
                reply.error(err)
                if err.number != 3013:
                    reply.error(SqlError(3013, "BACKUP DATABASE is terminating abnormally."))
                reply.done(DONE_ERROR | DONE_MORE, token=TK_DONEINPROC)
            return
        # A dynamic batch has its own variables, and a USE inside it lasts only as long as it.
        Session(self.server, self.database).run_batch(text, reply)

    def backup(self, toks, reply):
        i = self.expect_word(toks, 1, "DATABASE")
        name, i = self.identifier(toks, i)
        i = self.expect_word(toks, i, "TO")
        i = self.expect_word(toks, i, "DISK")
        i = self.expect_punct(toks, i, "=")
        if i >= len(toks) or toks[i].kind != "str":
            raise self.syntax(toks, i)
        disk = toks[i].value
        i += 1
        options = {}
        if i < len(toks) and toks[i].is_word("WITH"):
            i += 1
            while i < len(toks):
                if toks[i].kind != "word":
                    raise self.syntax(toks, i)
                opt = toks[i].value
                i += 1
                if i < len(toks) and toks[i].is_punct("="):
                    if i + 1 >= len(toks) or toks[i + 1].kind not in ("str", "num"):
                        raise self.syntax(toks, i + 1)
                    options[opt] = toks[i + 1].value
                    i += 2
                elif opt in ("NOFORMAT", "FORMAT", "INIT", "NOINIT", "SKIP", "NOSKIP", "NOREWIND",
                             "REWIND", "NOUNLOAD", "UNLOAD", "COPY_ONLY", "COMPRESSION",
                             "NO_COMPRESSION", "CHECKSUM", "NO_CHECKSUM"):
                    options[opt] = True
                else:
                    raise self.syntax(toks, i - 1)
                if i < len(toks) and toks[i].is_punct(","):
                    i += 1
                    continue
                break
        if i < len(toks):
            raise self.syntax(toks, i)
        db = self.server.find_database(name)
        if db is None:
            raise SqlError(911, "Database '%s' does not exist. Make sure that the name is entered "
                                "correctly." % name)
        if self.server.fault("backup-refused"):
            raise SqlError(3201, "Cannot open backup device '%s'. Operating system error "
                                 "5(Access is denied.)." % disk)
        path = self.server.local_path(disk)
        started = time.monotonic()
        try:
            write_backup(path, self.server.size, db)
        except FileNotFoundError:
            raise SqlError(3201, "Cannot open backup device '%s'. Operating system error "
                                 "3(The system cannot find the path specified.)." % disk)
        except PermissionError:
            raise SqlError(3201, "Cannot open backup device '%s'. Operating system error "
                                 "5(Access is denied.)." % disk)
        except OSError as err:
            raise SqlError(3201, "Cannot open backup device '%s'. Operating system error "
                                 "%d(%s)." % (disk, err.errno or 0, err.strerror or "error"))
        elapsed = max(time.monotonic() - started, 0.001)
        pages = max(1, self.server.size // PAGE)
        stats = int(options.get("STATS", 0) or 0)
        if stats > 0:
            for pct in range(stats, 100, stats):
                reply.info(3211, "%d percent processed." % pct, state=1)
        reply.info(4035, "Processed %d pages for database '%s', file '%s' on file 1."
                   % (pages, db, db), state=1)
        if stats > 0:
            reply.info(3211, "100 percent processed.", state=1)
        reply.info(4035, "Processed 2 pages for database '%s', file '%s_log' on file 1."
                   % (db, db), state=1)
        reply.info(3014, "BACKUP DATABASE successfully processed %d pages in %.3f seconds "
                         "(%.3f MB/sec)." % (pages + 2, elapsed,
                                            (pages + 2) * PAGE / 1048576.0 / elapsed), state=1)
        reply.done(DONE_MORE, token=TK_DONEINPROC)


def format_date(fmt, moment):
    out = []
    i = 0
    tokens = (("AAAA", "%04d" % moment.year), ("MM", "%02d" % moment.month),
              ("DD", "%02d" % moment.day), ("HH", "%02d" % moment.hour),
              ("mm", "%02d" % moment.minute), ("SS", "%02d" % moment.second))
    while i < len(fmt):
        for key, value in tokens:
            if fmt.startswith(key, i):
                out.append(value)
                i += len(key)
                break
        else:
            out.append(fmt[i])
            i += 1
    return "".join(out)


WORDS = ("CLIENTE", "PRODUTO", "PEDIDO", "NOTA", "FISCAL", "LOJA", "CAIXA", "ESTOQUE", "VALOR",
         "DATA", "SAO PAULO", "RIO DE JANEIRO", "BELO HORIZONTE", "RUA", "AVENIDA", "CENTRO")


def page_pool(seed):
    """A few 8 KiB pages shaped like data pages: a header, text rows, free space."""
    rng = random.Random(seed)
    pages = []
    for _ in range(32):
        body = bytearray()
        while len(body) < PAGE * 6 // 10:
            row = "%08d|%s %s|%s|%10.2f|" % (rng.randrange(10 ** 8), rng.choice(WORDS),
                                            rng.choice(WORDS), rng.choice(WORDS),
                                            rng.random() * 10000)
            body += struct.pack("<HH", 0x30, len(row)) + row.encode("ascii")
        body += bytes(PAGE - 96 - len(body))
        pages.append(bytes(body[:PAGE - 96]))
    return pages


def write_backup(path, size, database):
    directory = os.path.dirname(path) or "."
    if not os.path.isdir(directory):
        raise FileNotFoundError(path)
    pool = page_pool(database)
    rng = random.Random(size)
    with open(path, "wb") as out:
        written = 0
        number = 0
        while written < size:
            header = struct.pack("<IIII", 0x54415045, number, len(database), size) + bytes(80)
            page = header + pool[rng.randrange(len(pool))]
            part = page[:size - written]
            out.write(part)
            written += len(part)
            number += 1


# ---------------------------------------------------------------- connections

class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, options):
        self.options = options
        self.size = options.size
        super().__init__(("127.0.0.1", options.port), Handler)

    def fault(self, name):
        return self.options.fault == name

    def now(self):
        if self.options.clock:
            return self.options.clock
        return datetime.datetime.now().replace(microsecond=0)

    def find_database(self, name):
        name = name.rstrip(" ")
        for db in list(SYSTEM_DATABASES) + self.options.databases:
            if db.lower() == name.lower():
                return db
        return None

    def local_path(self, disk):
        for win, posix in self.options.maps:
            if disk.lower().startswith(win.lower()):
                rest = disk[len(win):].replace("\\", "/")
                if posix.endswith("/") and rest.startswith("/"):
                    rest = rest[1:]
                return posix + rest
        return disk.replace("\\", "/")

    def record(self, text):
        if self.options.record:
            tmp = self.options.record + ".tmp"
            with open(tmp, "wb") as out:
                out.write(text.encode("utf-8"))
            os.replace(tmp, self.options.record)


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        try:
            self.serve()
        except (OSError, ValueError, struct.error, UnicodeError):
            pass  # a peer that breaks the protocol or goes away loses its connection

    def serve(self):
        server = self.server
        sock = self.request
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        packet_size = 4096
        session = None
        while True:
            msg = read_message(sock)
            if msg is None:
                return
            ptype, payload = msg
            if server.fault("no-reply"):
                while sock.recv(4096):
                    pass
                return
            if ptype == PT_PRELOGIN:
                send_packets(sock, PT_REPLY, prelogin_reply(), packet_size)
            elif ptype == PT_LOGIN7:
                reply, session, packet_size = self.login(payload)
                send_packets(sock, PT_REPLY, bytes(reply.data), packet_size)
                if session is None:
                    return
            elif ptype == PT_SQL_BATCH and session is not None:
                text = batch_text(payload)
                server.record(text)
                if server.fault("drop-connection"):
                    sock.shutdown(socket.SHUT_RDWR)
                    sock.close()
                    return
                reply = Reply()
                try:
                    session.run_batch(text, reply)
                except SqlError as err:
                    reply.error(err)
                    reply.done(DONE_ERROR | DONE_MORE)
                finish(reply)
                send_packets(sock, PT_REPLY, bytes(reply.data), packet_size)
            elif ptype == PT_ATTENTION:
                reply = Reply()
                reply.done(DONE_ATTN)
                send_packets(sock, PT_REPLY, bytes(reply.data), packet_size)
            else:
                reply = Reply()
                reply.error(SqlError(2812, "Could not find stored procedure '%s'."
                                     % ("request type 0x%02X" % ptype)))
                reply.done(DONE_ERROR)
                send_packets(sock, PT_REPLY, bytes(reply.data), packet_size)

    def login(self, payload):
        server = self.server
        reply = Reply()
        fields = parse_login7(payload)
        version = fields["tds_version"]
        if (version >> 24) < 0x72:
            reply.error(SqlError(4002, "The incoming tabular data stream (TDS) protocol stream "
                                       "is incorrect. The stream ended unexpectedly.", severity=16))
            reply.done(DONE_ERROR)
            return reply, None, 4096
        user = fields["user"]
        failed = SqlError(18456, "Login failed for user '%s'." % user, severity=14, state=1)
        if (server.fault("login-refused") or user.lower() != server.options.login.lower()
                or fields["password"] != server.options.password):
            reply.error(failed)
            reply.done(DONE_ERROR)
            return reply, None, 4096
        requested = fields["database"] or "master"
        db = None if server.fault("unknown-database") else server.find_database(requested)
        if db is None:
            reply.error(SqlError(4060, 'Cannot open database "%s" requested by the login. '
                                       "The login failed." % requested, severity=11, state=1))
            reply.error(failed)
            reply.done(DONE_ERROR)
            return reply, None, 4096
        packet_size = min(max(fields["packet_size"] or 4096, 512), 32767)
        reply.envchange(1, db, "master")
        reply.info(5701, "Changed database context to '%s'." % db, state=2)
        reply.envchange(7, COLLATION, b"")
        reply.envchange(2, "us_english", "")
        reply.info(5703, "Changed language setting to us_english.", state=1)
        reply.loginack(version if version <= 0x74000004 else 0x74000004)
        reply.envchange(4, str(packet_size), "4096")
        reply.done(DONE_FINAL)
        return reply, Session(server, db), packet_size


def finish(reply):
    """Clear DONE_MORE on the last DONE token of a reply (or add a final DONE)."""
    data = reply.data
    if len(data) >= 13 and data[-13] in (TK_DONE, TK_DONEINPROC):
        status = struct.unpack_from("<H", data, len(data) - 12)[0] & ~DONE_MORE
        data[-13] = TK_DONE
        struct.pack_into("<H", data, len(data) - 12, status)
    else:
        reply.done(DONE_FINAL)


def prelogin_reply():
    major, minor, build = PRODUCT_VERSION
    options = [
        (0x00, bytes([major, minor, build >> 8, build & 0xFF, 0, 0])),  # VERSION
        (0x01, bytes([0x02])),                                           # ENCRYPT_NOT_SUP
        (0x02, bytes([0x00])),                                           # INSTOPT
        (0x03, b""),                                                     # THREADID
        (0x04, bytes([0x00])),                                           # MARS off
    ]
    offset = 5 * len(options) + 1
    head = bytearray()
    body = bytearray()
    for token, data in options:
        head += struct.pack(">BHH", token, offset + len(body), len(data))
        body += data
    return bytes(head + b"\xff" + body)


def parse_login7(payload):
    if len(payload) < 94:
        raise ValueError("short LOGIN7")
    version, packet_size = struct.unpack_from("<II", payload, 4)

    def text_at(pos, password=False):
        offset, length = struct.unpack_from("<HH", payload, pos)
        raw = bytearray(payload[offset:offset + 2 * length])
        if password:
            for k, b in enumerate(raw):
                b ^= 0xA5
                raw[k] = ((b << 4) & 0xF0) | (b >> 4)
        return raw.decode("utf-16-le", errors="replace")

    return {
        "tds_version": version,
        "packet_size": packet_size,
        "host": text_at(36),
        "user": text_at(40),
        "password": text_at(44, password=True),
        "app": text_at(48),
        "server": text_at(52),
        "database": text_at(68),
    }


def batch_text(payload):
    total = struct.unpack_from("<I", payload, 0)[0] if len(payload) >= 4 else 0
    if total < 4 or total > len(payload):
        total = 0
    return payload[total:].decode("utf-16-le", errors="replace")


# ---------------------------------------------------------------- command line

def parse_size(text):
    m = re.fullmatch(r"\s*(\d+)\s*([KkMmGg]?)\s*", text)
    if not m:
        raise argparse.ArgumentTypeError("not a size: %r" % text)
    return int(m.group(1)) * {"": 1, "K": 1024, "M": 1048576, "G": 1073741824}[m.group(2).upper()]


def parse_map(text):
    if "=" not in text:
        raise argparse.ArgumentTypeError("expected WINDOWS_PREFIX=POSIX_PREFIX: %r" % text)
    win, posix = text.split("=", 1)
    return win, posix


def parse_clock(text):
    try:
        return datetime.datetime.fromisoformat(text).replace(tzinfo=None, microsecond=0)
    except ValueError:
        raise argparse.ArgumentTypeError("not an ISO date and time: %r" % text)


def main(argv):
    parser = argparse.ArgumentParser(description="SQL Server stand-in for tests (TDS 7.4, loopback)")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--record")
    parser.add_argument("--clock", type=parse_clock)
    parser.add_argument("--size", type=parse_size, default=1048576)
    parser.add_argument("--map", dest="maps", type=parse_map, action="append", default=[])
    parser.add_argument("--login", default="BKP")
    parser.add_argument("--password", default=DEFAULT_PASSWORD)
    parser.add_argument("--database", dest="databases", action="append")
    parser.add_argument("--fault", choices=FAULTS)
    parser.add_argument("--reply-name")
    parser.add_argument("--deadline", type=float, default=600.0)
    options = parser.parse_args(argv)
    if options.databases is None:
        options.databases = ["Loja"]

    server = Server(options)
    port = server.server_address[1]
    if options.port_file:
        tmp = options.port_file + ".tmp"
        with open(tmp, "w") as out:
            out.write("%d\n" % port)
        os.replace(tmp, options.port_file)
    print(port, flush=True)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        time.sleep(options.deadline)
    except KeyboardInterrupt:
        pass
    server.shutdown()
    server.server_close()
    sys.stdout.flush()
    os._exit(0)


if __name__ == "__main__":
    main(sys.argv[1:])
