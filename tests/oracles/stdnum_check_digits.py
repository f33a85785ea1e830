#!/usr/bin/python3
"""Checks billing-tool's check-digit functions against python3-stdnum.

Random inputs, all sent to one billing-tool process:
  - Modulo10 must equal the Luhn check digit (stdnum.luhn);
  - Modulo11 with base 9 must complete CNPJ numbers that stdnum.br.cnpj accepts;
  - Modulo11 with bases 10 and 11 must complete CPF numbers that stdnum.br.cpf accepts.
Usage: stdnum_check_digits.py BILLING_TOOL [COUNT] [SEED]
"""
import random
import subprocess
import sys

from stdnum import luhn
from stdnum.br import cnpj, cpf


def main():
    tool = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 20261210)

    requests = []
    checks = []  # (kind, payload) in request order; CNPJ and CPF need two requests each
    for i in range(count):
        kind = i % 3
        if kind == 0:
            digits = "".join(rng.choice("0123456789") for _ in range(rng.randint(1, 30)))
            requests.append(f"mod10 {digits}")
            checks.append(("luhn", digits))
        elif kind == 1:
            body = "".join(rng.choice("0123456789") for _ in range(12))
            checks.append(("cnpj", body))
            requests.append(f"mod11 {body} 9")
        else:
            body = "".join(rng.choice("0123456789") for _ in range(9))
            checks.append(("cpf", body))
            requests.append(f"mod11 {body} 10")

    def run(lines):
        out = subprocess.run([tool, "digit", "--batch"], input="\n".join(lines) + "\n",
                             capture_output=True, text=True, check=True).stdout.splitlines()
        if len(out) != len(lines):
            sys.exit(f"expected {len(lines)} answers, got {len(out)}")
        return out

    first = run(requests)
    # Second digits: CNPJ with the first digit appended (base 9 again), CPF with base 11.
    second_requests = []
    for (kind, body), d1 in zip(checks, first):
        if kind == "cnpj":
            second_requests.append(f"mod11 {body}{d1} 9")
        elif kind == "cpf":
            second_requests.append(f"mod11 {body}{d1} 11")
    second = iter(run(second_requests))

    failures = 0
    for (kind, body), d1 in zip(checks, first):
        if kind == "luhn":
            ok = d1 == luhn.calc_check_digit(body)
            number = body
        elif kind == "cnpj":
            number = body + d1 + next(second)
            ok = cnpj.is_valid(number)
        else:
            number = body + d1 + next(second)
            # stdnum refuses CPFs made of one repeated digit although their digits are right.
            ok = cpf.is_valid(number) or (len(set(body)) == 1 and cpf.calc_check_digits(body) == number[9:])
        if not ok:
            failures += 1
            if failures <= 10:
                print(f"{kind}: {body} -> {number}", file=sys.stderr)
    print(f"{len(checks)} inputs, {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
