#!/usr/bin/python3
"""Checks what billing-tool computes for random titles of every bank.

For each bank, COUNT random titles go through one `billing-tool boleto` run. Every
bar code must carry the bank code, currency 9, the general check digit of the
published modulo-11 rule, the due-date factor and amount of its title and the
free field the tool reports; every typed line must carry the three modulo-10
field digits and agree with its bar code field by field. The check digit, the
free field and the four boleto texts must equal those of an independent
reference of the banks' rules (boleto_reference.py). A title whose nosso número
is longer than the narrowest field its bank's rules give it must be refused.
Usage: boleto_codes.py BILLING_TOOL [COUNT] [SEED]
"""
import datetime
import json
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from boleto_reference import Refused, nosso_17, reference  # noqa: E402

BANKS = ["001", "021", "033", "038", "104", "151", "237", "244", "275", "291", "320", "341",
         "347", "353", "356", "389", "394", "399", "409", "422", "479", "745", "748", "999"]
# Runs with an installation code of their own: (bank, code).
INSTALLATIONS = [("033", "236"), ("748", "1")]


# The narrowest field of the nosso número in each bank's check digit, free
# field and boleto texts: longer numbers would be cut.
NOSSO_WIDTH = {"001": 11, "021": 8, "033": 8, "038": 11, "104": 10, "151": 9, "237": 11, "244": 6,
               "275": 13, "291": 7, "320": 14, "341": 8, "347": 6, "353": 7, "356": 13, "389": 10,
               "394": 14, "399": 13, "409": 14, "422": 8, "479": 8, "745": 14, "748": 5, "999": 11}


def nosso_width(bank, installation):
    return 12 if bank == "033" and installation == 236 else NOSSO_WIDTH[bank]


def too_long(bank, title, installation):
    nn = title["NossoNumero"]
    if bank == "001" and title["Carteira"] == "18" and nosso_17(nn):
        return False
    return len(nn.strip()) > nosso_width(bank, installation)


def digits(rng, lo, hi):
    return "".join(rng.choice("0123456789") for _ in range(rng.randint(lo, hi)))


def random_title(rng, bank, installation):
    nosso = digits(rng, 1, nosso_width(bank, installation) + 2)
    carteira = digits(rng, 1, 3)
    if bank == "104":
        nosso = digits(rng, 10, 10)
    if bank in ("033", "353"):
        carteira = digits(rng, 3, 3)
    if bank == "001":
        carteira = rng.choice(["18", "17", "11", carteira])
        if carteira == "18" and rng.random() < 0.2:
            n = digits(rng, 17, 17)
            nosso = n[:7] + "-" + n[7:]
    if bank == "244" and rng.random() < 0.3:
        carteira = "80"
    due = None
    if rng.random() < 0.9 or bank != "399":
        due = datetime.date(2000, 7, 3) + datetime.timedelta(days=rng.randint(0, 15000))
    cents = rng.choice([0, rng.randint(1, 99), rng.randint(0, 9999999999)])
    return {
        "NossoNumero": nosso,
        "NumeroDocumento": digits(rng, 1, 12),
        "SeuNumero": digits(rng, 1, 13),
        "Carteira": carteira,
        "EspecieDocumento": rng.choice(["edRecibo", "edDuplicataMercantil", "edWarrant", "edNotaSeguro"]),
        "DataVencimento": due.isoformat() if due else None,
        "ValorDocumento": f"{cents // 100}.{cents % 100:02d}",
        "Cedente": {
            "CodigoCedente": digits(rng, 1, 11),
            "DigitoCodigoCedente": digits(rng, 1, 1),
            "ContaBancaria": {
                "CodigoAgencia": digits(rng, 1, 4),
                "DigitoAgencia": digits(rng, 1, 1),
                "NumeroConta": digits(rng, 1, 11),
                "DigitoConta": digits(rng, 1, 1),
            },
        },
    }


def refused_by_reference(bank, title, installation, today):
    """The refusal the reference expects for the title, or None."""
    try:
        reference(bank, title, installation, today)
    except Refused as e:
        return e.args[0]
    except KeyError:
        return None
    return None


def mod10(text):
    total, weight = 0, 2
    for ch in reversed(text):
        p = int(ch) * weight
        total += p // 10 + p % 10
        weight = 3 - weight
    return str((10 - total % 10) % 10)


def general_digit(text43):
    total, weight = 0, 2
    for ch in reversed(text43):
        total += int(ch) * weight
        weight = 2 if weight == 9 else weight + 1
    dv = 11 - total % 11
    return "1" if dv in (0, 10, 11) else str(dv)


def due_factor(due):
    if due is None:
        return "0000"
    days = (datetime.date.fromisoformat(due) - datetime.date(1997, 10, 7)).days
    if days > 9999:
        days = (days - 1000) % 9000 + 1000
    return f"{days:04d}"


def check(bank, title, result):
    errors = []
    cb, ld, cl = result["CodigoBarras"], result["LinhaDigitavel"], result["CampoLivre"]
    if len(cb) != 44 or not cb.isdigit():
        return [f"bar code {cb!r} is not 44 digits"]
    if len(ld) != 47 or not ld.isdigit():
        return [f"typed line {ld!r} is not 47 digits"]
    if cb[0:3] != bank or cb[3] != "9":
        errors.append("bank or currency")
    if cb[4] != general_digit(cb[:4] + cb[5:]):
        errors.append("general check digit")
    if cb[5:9] != due_factor(title["DataVencimento"]):
        errors.append("due-date factor")
    reais, centavos = title["ValorDocumento"].split(".")
    if cb[9:19] != f"{int(reais) * 100 + int(centavos):010d}":
        errors.append("amount")
    if cb[19:44] != cl:
        errors.append("free field")
    fields = [(ld[0:9], ld[9]), (ld[10:20], ld[20]), (ld[21:31], ld[31])]
    for n, (body, dv) in enumerate(fields, 1):
        if mod10(body) != dv:
            errors.append(f"typed-line field {n} digit")
    if fields[0][0] != cb[0:4] + cb[19:24] or fields[1][0] != cb[24:34] or fields[2][0] != cb[34:44]:
        errors.append("typed-line fields 1-3 differ from the bar code")
    if ld[32] != cb[4] or ld[33:47] != cb[5:19]:
        errors.append("typed-line fields 4-5 differ from the bar code")
    return errors


def compare(bank, title, result, installation, today):
    dv, cl, texts = reference(bank, title, installation, today)
    got = (result.get("DigitoNossoNumero"), result.get("CampoLivre"),
           (result.get("AgenciaCodigoCedente"), result.get("NossoNumeroDigito"), result.get("CarteiraBoleto"),
            result.get("EspecieBoleto")))
    want = (dv, cl, texts)
    return [] if got == want else [f"differs from the reference: got {got}, want {want}"]


def run(tool, bank, titles, extra):
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
        json.dump(titles, f)
        name = f.name
    try:
        proc = subprocess.run([tool, "boleto", "--bank", bank, *extra, name], capture_output=True, text=True)
    finally:
        os.unlink(name)
    return proc.returncode, json.loads(proc.stdout)


def main():
    tool = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 748)
    runs = [(b, []) for b in BANKS] + [(b, ["--installation", c]) for b, c in INSTALLATIONS]
    failures = 0
    checked = 0
    for bank, extra in runs:
        today = datetime.date(2000, 1, 1) + datetime.timedelta(days=rng.randint(0, 20000))
        installation = int(extra[1]) if extra else 0
        extra = extra + ["--today", today.isoformat()]
        titles = [random_title(rng, bank, installation) for _ in range(count)]
        rc, results = run(tool, bank, titles, extra)
        if len(results) != len(titles):
            print(f"{bank}: {len(results)} results for {len(titles)} titles", file=sys.stderr)
            failures += 1
            continue
        for title, result in zip(titles, results):
            if too_long(bank, title, installation):
                width = nosso_width(bank, installation)
                if f"não cabe no campo de {width} caracteres do banco {bank}" not in result.get("Erro", ""):
                    failures += 1
                    if failures <= 10:
                        print(f"{bank} {extra}: not refused\n  title {json.dumps(title)}\n  result {result}",
                              file=sys.stderr)
                continue
            refusal = refused_by_reference(bank, title, installation, today)
            erro = result.get("Erro", "")
            if ("não cabe no campo de" in erro or "não confere" in erro) and not too_long(bank, title, installation):
                # A value that would lose digits (or a wrong account digit at 341) is refused, not cut; the
                # reference, which composes every rule of the bank, must find one too.
                if not refusal:
                    failures += 1
                    if failures <= 10:
                        print(f"{bank} {extra}: refused without cause\n  title {json.dumps(title)}\n  "
                              f"result {result}", file=sys.stderr)
                continue
            if refusal and bank != "151" and not too_long(bank, title, installation):
                continue  # a rule the bank's boleto does not take for this title
            if bank == "151":
                # Its free field is not available: every title must be refused.
                if "Erro" not in result or "Nossa Caixa" not in result["Erro"]:
                    failures += 1
                continue
            if "Erro" in result:
                errors = [result["Erro"]]
            else:
                errors = check(bank, title, result) + compare(bank, title, result, installation, today)
                checked += 1
            if errors:
                failures += 1
                if failures <= 10:
                    print(f"{bank} {extra}: {errors}\n  title {json.dumps(title)}\n  result {result}",
                          file=sys.stderr)
        refused = bank == "151" or any(too_long(bank, t, installation) or "Erro" in r
                                       for t, r in zip(titles, results))
        if (rc != 0) != refused:
            print(f"{bank}: exit status {rc} {'without' if rc else 'with'} a refused title", file=sys.stderr)
            failures += 1
    print(f"{checked} bar codes checked, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
