#!/usr/bin/python3
"""Checks `billing-tool remessa` files of random batches for every CNAB 400 bank.

For each bank, a batch of COUNT random titles (tests/make_remessa_batch.py)
goes through one run. Every line must be 400 bytes of printable ASCII without
lower-case letters, ended by CR LF; the header starts with 0, details with 1,
the trailer with 9; the sequence numbers at 395-400 run 1..N. Where the
trailer carries the number of titles and their total, they must equal the
count of detail lines and the sum, computed here, of the detail lines'
ValorDocumento positions, and that sum the sum of the amounts generated.
Banks whose detail layout is not available must fail and leave no file.
Usage: remessa_check.py BILLING_TOOL [COUNT] [SEED]
"""
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from make_remessa_batch import make  # noqa: E402

BANKS = ["001", "021", "033", "104", "237", "275", "291", "320", "341", "353", "356", "389", "394", "409",
         "422", "479", "745", "748", "999"]
REFUSED = {"353", "479"}
# Trailer positions (1-based, inclusive) of the title count and the total.
TRAILERS = {"394": ((3, 10), (11, 23)), "422": ((369, 376), (377, 391)),
            "275": ((2, 7), (8, 20)), "356": ((2, 7), (8, 20))}
# Detail positions of ValorDocumento (bank 021 writes "000" and ten digits there).
AMOUNT = (127, 139)


def field(line, span):
    return line[span[0] - 1:span[1]]


def check(tool, bank, count, seed, workdir):
    errors = []
    batch, cents = make(bank, count, seed)
    src = os.path.join(workdir, "batch%s.json" % bank)
    out = os.path.join(workdir, "remessa%s.txt" % bank)
    with open(src, "w", encoding="utf-8") as f:
        json.dump(batch, f, ensure_ascii=False)
    r = subprocess.run([tool, "remessa", "--bank", bank, src, out], capture_output=True)
    if bank in REFUSED:
        if r.returncode == 0 or os.path.exists(out) or "não está disponível" not in r.stderr.decode():
            errors.append("%s: expected a refusal without output, got %d %r" % (bank, r.returncode, r.stderr))
        return errors, 0
    if r.returncode != 0:
        return ["%s: exit %d: %s" % (bank, r.returncode, r.stderr.decode())], 0
    data = open(out, "rb").read()
    if not data.endswith(b"\r\n"):
        errors.append("%s: file does not end with CR LF" % bank)
    lines = data.split(b"\r\n")[:-1]
    if len(lines) != count + 2:
        errors.append("%s: %d lines for %d titles" % (bank, len(lines), count))
    for n, raw in enumerate(lines, 1):
        if len(raw) != 400:
            errors.append("%s line %d: %d bytes" % (bank, n, len(raw)))
            continue
        if any(b < 0x20 or b > 0x7E for b in raw):
            errors.append("%s line %d: byte outside printable ASCII" % (bank, n))
            continue
        line = raw.decode("ascii")
        if any("a" <= c <= "z" for c in line):
            errors.append("%s line %d: lower-case letter" % (bank, n))
        if line[394:400] != "%06d" % n:
            errors.append("%s line %d: sequence %r" % (bank, n, line[394:400]))
        kind = "0" if n == 1 else "9" if n == len(lines) else "1"
        if line[0] != kind:
            errors.append("%s line %d: record kind %r" % (bank, n, line[0]))
    if bank in TRAILERS and not errors:
        details = [l.decode("ascii") for l in lines[1:-1]]
        total = sum(int(field(d, AMOUNT)) for d in details)
        count_pos, total_pos = TRAILERS[bank]
        trailer = lines[-1].decode("ascii")
        if int(field(trailer, count_pos)) != len(details):
            errors.append("%s: trailer count %s for %d details" % (bank, field(trailer, count_pos), len(details)))
        if int(field(trailer, total_pos)) != total:
            errors.append("%s: trailer total %s, details sum %d" % (bank, field(trailer, total_pos), total))
        if total != sum(cents):
            errors.append("%s: details sum %d, batch sum %d" % (bank, total, sum(cents)))
    return errors, len(lines)


def main(argv):
    tool = argv[1]
    count = int(argv[2]) if len(argv) > 2 else 200
    seed = int(argv[3]) if len(argv) > 3 else 18
    failures, total_lines = [], 0
    with tempfile.TemporaryDirectory() as workdir:
        for i, bank in enumerate(BANKS):
            errors, n = check(tool, bank, count, seed + i, workdir)
            failures += errors
            total_lines += n
    for e in failures[:20]:
        print(e)
    print("%d banks, %d lines, %d failures" % (len(BANKS), total_lines, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
