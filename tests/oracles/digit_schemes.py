#!/usr/bin/python3
"""Checks billing-tool's digit-scheme table against rules written out here.

Every scheme gets random digit texts (empty ones included), all sent to one
billing-tool process ("digit --batch", requests "scheme NAME DIGITS [BASE]"):
  - mod10 must equal the Luhn check digit of python3-stdnum (stdnum.luhn);
  - the modulo-11 schemes must equal the rules below;
  - a text with a non-digit must be refused.
Usage: digit_schemes.py BILLING_TOOL [COUNT] [SEED]
"""
import random
import subprocess
import sys

from stdnum import luhn


def rising(digits, base):
    total, weight = 0, 2
    for c in reversed(digits):
        total += int(c) * weight
        weight += 1
        if weight > base:
            weight = 2
    return total


def falling(digits, base):
    total, weight = 0, base
    for c in reversed(digits):
        total += int(c) * weight
        weight -= 1
        if weight < 2:
            weight = base
    return total


def unbounded(digits):
    return sum(int(c) * (i + 2) for i, c in enumerate(reversed(digits)))


def from_left(digits, pattern):
    return sum(int(c) * int(pattern[i % len(pattern)]) for i, c in enumerate(digits))


def eleven_minus(r, zero, one):
    if r == 0:
        return zero
    if r == 1:
        return one
    return str(11 - r)


# name -> (needs a base, rule(digits, base) -> expected answer)
SCHEMES = {
    "mod10": (False, lambda d, b: luhn.calc_check_digit(d) if d else "0"),
    "mod11": (True, lambda d, b: eleven_minus(rising(d, b) % 11, "0", "0")),
    "mod11-one": (True, lambda d, b: "1" if rising(d, b) % 11 in (0, 1, 10) else str(11 - rising(d, b) % 11)),
    "mod11d": (True, lambda d, b: eleven_minus(falling(d, b) % 11, "1", "1")),
    "dv11": (False, lambda d, b: d + eleven_minus(unbounded(d) % 11, "0", "0")),
    "dv11-safra": (False, lambda d, b: d + eleven_minus(unbounded(d) % 11, "1", "0")),
    "sicoob": (False, lambda d, b: eleven_minus(from_left(d, "3197") % 11, "0", "0")),
    "caixa": (False, lambda d, b: eleven_minus(rising(d, 9) % 11, "0", "0")),
    "bradesco": (False, lambda d, b: eleven_minus(rising(d, 7) % 11, "0", "P")),
    "bb": (False, lambda d, b: "X" if falling(d, 9) % 11 == 10 else str(falling(d, 9) % 11)),
}


def main():
    tool = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 20261211)

    listed = subprocess.run([tool, "schemes"], capture_output=True, text=True, check=True).stdout.split("\n")
    names = sorted(line.split("\t")[0] for line in listed if line)
    if names != sorted(SCHEMES):
        sys.exit(f"billing-tool lists the schemes {names}, the oracle knows {sorted(SCHEMES)}")

    requests, expected = [], []
    for name, (needs_base, rule) in SCHEMES.items():
        for _ in range(count):
            digits = "".join(rng.choice("0123456789") for _ in range(rng.randint(0, 40)))
            base = rng.randint(2, 12) if needs_base else None
            line = f"scheme {name} {digits or '-'}" + (f" {base}" if base else "")
            requests.append(line)
            expected.append(rule(digits, base))
        # A non-digit is an error, never a digit.
        requests.append(f"scheme {name} 12a3" + (" 9" if needs_base else ""))
        expected.append(None)

    out = subprocess.run([tool, "digit", "--batch"], input="\n".join(requests) + "\n",
                         capture_output=True, text=True, check=True).stdout.splitlines()
    if len(out) != len(requests):
        sys.exit(f"expected {len(requests)} answers, got {len(out)}")
    failures = 0
    for req, want, got in zip(requests, expected, out):
        ok = got.startswith("erro:") if want is None else got == want
        if not ok:
            failures += 1
            if failures <= 10:
                print(f"{req}: billing-tool {got!r}, expected {want!r}")
    print(f"{len(SCHEMES)} schemes, {len(requests)} inputs, {failures} failures")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
