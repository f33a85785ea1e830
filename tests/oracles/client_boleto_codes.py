#!/usr/bin/python3
"""Checks the bar codes that billing-tool makes with each registered client bank class.

For every client class that `billing-tool classes` lists (the engine's TcbBanco
classes are boleto_codes.py's), COUNT random titles of the class's bank go
through one `billing-tool boleto --class CLASS` run. Every bar code must carry
the bank code, currency 9, the general check digit of the published modulo-11
rule, the due-date factor and amount of its title and the free field the tool
reports; every typed line the three modulo-10 field digits (boleto_codes.check).
For the boleto-only classes the titles are drawn so that the free field has 25
digits, and the class's own check digit ("DigitoClasse"), free field and
boleto texts must also equal those of an independent reference
(client_boleto_reference.py).

Prints one line per class: CLASS checked N not25 M unavailable K failures F,
where not25 counts titles refused for a free field that is not 25 digits and
unavailable those refused because a lookup found no class; then a summary.
Usage: client_boleto_codes.py BILLING_TOOL [COUNT] [SEED]
"""
import datetime
import json
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from boleto_codes import check, digits  # noqa: E402
import client_boleto_reference as ref  # noqa: E402


def registered_classes(tool):
    out = subprocess.run([tool, "classes"], capture_output=True, text=True, check=True).stdout
    names = []
    for line in out.splitlines():
        fields = line.split("\t")
        if fields[0] == "class" and not fields[1].startswith("TcbBanco"):
            names.append(fields[1])
    return names


def bank_of(cls):
    return re.findall(r"\d{3}", cls)[-1]


def random_title(rng, cls, bank):
    nosso = digits(rng, 1, 12)
    carteira = digits(rng, 1, 3)
    if bank == "033":
        carteira = digits(rng, 3, 3)
    if bank == "104":
        nosso = digits(rng, 17, 17)
    if bank == "001":
        carteira = rng.choice(["18", "17", "11", carteira])
        nosso = digits(rng, 7, 11)
        if rng.random() < 0.2:
            n = digits(rng, 17, 17)
            nosso = n[:7] + "-" + n[7:] if carteira in ("18", "11") else n
    due = datetime.date(2000, 7, 3) + datetime.timedelta(days=rng.randint(0, 15000))
    cents = rng.choice([0, rng.randint(1, 99), rng.randint(0, 9999999999)])
    return {
        "NossoNumero": nosso,
        "NumeroDocumento": digits(rng, 1, 12),
        "Carteira": carteira,
        "EspecieDocumento": rng.choice(["edRecibo", "edDuplicataMercantil", "edWarrant", "edOutros", "edFatura"]),
        "DataVencimento": due.isoformat(),
        "ValorDocumento": f"{cents // 100}.{cents % 100:02d}",
        "Cedente": {
            "CodigoCedente": digits(rng, 1, 11),
            "DigitoCodigoCedente": digits(rng, 1, 1),
            "ContaBancaria": {
                "CodigoAgencia": digits(rng, 1, 4),
                "NumeroConta": digits(rng, 1, 11),
                "Banco": {"Codigo": bank},
            },
        },
    }


def looked_up(unit, title):
    """The check digit a model's lookup finds for the title's bank, where the reference knows the class."""
    nn = title["NossoNumero"]
    ced = title["Cedente"]
    bank = ced["ContaBancaria"]["Banco"]["Codigo"]
    if unit == "HalvekCobranca" and bank == "033":
        return ref.mod11_base9(ref.F(title["NumeroDocumento"], 7))
    if unit == "FalmorenCobranca" and bank == "033":
        return ref.mod11_base9(ref.F(nn, 12))
    if unit in ("FendrasilCobranca", "SarlentaCobrancaSICOOB") and bank == "756":
        return ref.sicoob_digit(ref.F(ced["ContaBancaria"]["CodigoAgencia"], 4) + ref.F(ced["CodigoCedente"], 10) +
                                ref.F(nn, 7))
    if unit == "cbCobranca" and bank == "001":
        return ref.bb_digit(ref.F(nn, 11))
    raise LookupError(unit)


def compare(cls, title, result):
    try:
        dv, cl, texts = ref.reference(cls, title, looked_up)
    except LookupError:
        return []  # a lookup into a class the reference does not hold
    got = (result.get("DigitoClasse"), result.get("CampoLivre"),
           tuple(result.get(k, None) for k in ("AgenciaCodigoCedente", "NossoNumeroDigito", "CarteiraBoleto",
                                               "EspecieBoleto")))
    # A text the rule leaves alone keeps what the tool passed in: the empty text.
    want = (dv, cl, tuple("" if t is None else t for t in texts))
    return [] if got == want else [f"differs from the reference: got {got}, want {want}"]


def run(tool, cls, titles):
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
        json.dump(titles, f)
        name = f.name
    try:
        proc = subprocess.run([tool, "boleto", "--class", cls, name], capture_output=True, text=True)
    finally:
        os.unlink(name)
    return json.loads(proc.stdout) if proc.stdout.strip() else []


def main():
    tool = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 756)
    total_failures = 0
    for cls in registered_classes(tool):
        bank = bank_of(cls)
        titles = [random_title(rng, cls, bank) for _ in range(count)]
        results = run(tool, cls, titles)
        checked = not25 = unavailable = refused = failures = 0
        if len(results) != len(titles):
            print(f"{cls}: {len(results)} results for {len(titles)} titles", file=sys.stderr)
            failures += 1
            results = []
        for title, result in zip(titles, results):
            if "Erro" in result:
                if "não tem 25 dígitos" in result["Erro"]:
                    not25 += 1
                elif "não estão disponíveis" in result["Erro"] or "não está disponível" in result["Erro"]:
                    unavailable += 1
                elif "não cabe no campo de" in result["Erro"]:
                    # A random value wider than a field the class's rules (or the engine's digit they
                    # look up) carry whole: refused rather than cut.
                    refused += 1
                else:
                    errors = [result["Erro"]]
                    failures += 1
                    if failures <= 3:
                        print(f"{cls}: {errors}\n  title {json.dumps(title)}", file=sys.stderr)
                continue
            errors = check(bank, title, result)
            if cls in ref.classes():
                errors += compare(cls, title, result)
            checked += 1
            if errors:
                failures += 1
                if failures <= 3:
                    print(f"{cls}: {errors}\n  title {json.dumps(title)}\n  result {result}", file=sys.stderr)
        if checked == 0 and titles:
            failures += 1
        print(f"{cls} checked {checked} not25 {not25} unavailable {unavailable} refused {refused} "
              f"failures {failures}")
        total_failures += failures
    print(f"{total_failures} failures")
    return 1 if total_failures else 0


if __name__ == "__main__":
    sys.exit(main())
