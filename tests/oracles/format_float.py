#!/usr/bin/python3
"""Checks number masks as report expressions format them (FORMATNUMERIC).

Reads lines "MASK<TAB>VALUE<TAB>RESULT" from the file given and formats VALUE
through MASK here with python's decimal module:
  - the value is first taken to 15 significant digits ('%.14e');
  - then rounded half away from zero (ROUND_HALF_UP on the magnitude) to the
    places the mask asks for, or to its significant digits for E+/E- masks;
  - sections "positive;negative;zero": a negative value uses the second when
    it is not empty (without a sign), a value that rounds to zero the third;
  - 0 is a digit always, # a digit when there is one, the first '.' is the
    decimal point, ',' asks for thousand separators, text in quotes and any
    other character is copied.
Prints every line whose RESULT differs and exits 1 when there is one.
Usage: format_float.py FILE
"""
import sys
from decimal import Decimal, Context, ROUND_HALF_UP


def split_sections(mask):
    out, cur, quote = [], "", None
    for c in mask:
        if quote:
            quote = None if c == quote else quote
        elif c in "\"'":
            quote = c
        elif c == ";":
            out.append(cur)
            cur = ""
            continue
        cur += c
    out.append(cur)
    return out


def parse(section):
    items, info = [], dict(thousands=False, sci=False, int_places=0, int_min=0,
                           frac_places=0, frac_min=0, digits=False)
    point = zero_seen = False
    i = 0
    while i < len(section):
        c = section[i]
        if c in "\"'":
            end = section.find(c, i + 1)
            end = len(section) if end < 0 else end
            items.append(("text", section[i + 1:end]))
            i = end + 1
            continue
        if c in "0#":
            info["digits"] = True
            items.append(("digit", c))
            if not point:
                info["int_places"] += 1
                zero_seen = zero_seen or c == "0"
                if zero_seen:
                    info["int_min"] += 1
            else:
                info["frac_places"] += 1
                if c == "0":
                    info["frac_min"] = info["frac_places"]
        elif c == ".":
            if not point:
                items.append(("point", ""))
            point = True
        elif c == ",":
            info["thousands"] = True
        elif c in "Ee" and i + 1 < len(section) and section[i + 1] in "+-" and not info["sci"]:
            info["sci"] = True
            j = i + 2
            while j < len(section) and section[j] == "0":
                j += 1
            items.append(("exp", (section[i:i + 2], j - i - 2)))
            i = j
            continue
        else:
            items.append(("text", c))
        i += 1
    return items, info


def number(value, info):
    """Integer digits, fraction digits, exponent, and whether it is zero."""
    exponent = 0
    if info["sci"]:
        places = max(info["int_places"], 1)
        if value == 0:
            rounded = Decimal(0)
        else:
            ctx = Context(prec=places + info["frac_places"], rounding=ROUND_HALF_UP)
            rounded = ctx.plus(value)
            exponent = rounded.adjusted() - (places - 1)
        mantissa = rounded.scaleb(-exponent)
        text = format(mantissa, "f")
    else:
        q = Decimal(1).scaleb(-info["frac_places"])
        text = format(value.quantize(q, rounding=ROUND_HALF_UP), "f")
    whole, _, frac = text.partition(".")
    is_zero = Decimal(text) == 0
    whole = whole.lstrip("0")
    frac = frac.rstrip("0")
    whole = whole.rjust(info["int_min"], "0")
    frac = frac.ljust(info["frac_min"], "0")
    return whole, frac, exponent, is_zero


def render(items, info, whole, frac, exponent, negative):
    out = "-" if negative else ""
    n, written, seen_int, seen_frac, after_point = len(whole), 0, 0, 0, False

    def put(k):
        s = whole[k]
        right = n - 1 - k
        if info["thousands"] and right > 0 and right % 3 == 0:
            s += ","
        return s

    for kind, data in items:
        if kind == "text":
            out += data
        elif kind == "digit":
            if not after_point:
                until = n - (info["int_places"] - seen_int - 1)
                while written < until:
                    out += put(written)
                    written += 1
                seen_int += 1
            else:
                if seen_frac < len(frac):
                    out += frac[seen_frac]
                seen_frac += 1
        elif kind == "point":
            after_point = True
            while written < n:
                out += put(written)
                written += 1
            if frac:
                out += "."
        elif kind == "exp":
            letters, width = data
            digits = str(abs(exponent)).rjust(width, "0")
            sign = "-" if exponent < 0 else ("+" if letters[1] == "+" else "")
            out += letters[0] + sign + digits
    return out


def format_float(mask, text):
    v = float(text)
    value = Decimal(0) if v == 0 else Decimal("%.14e" % v)
    if mask == "":
        raise ValueError("an empty mask is FloatToStr's, not checked here")
    sections = split_sections(mask)
    items, info = parse(sections[0])
    negative = value < 0
    show_sign = negative
    if negative and len(sections) > 1 and sections[1]:
        items, info = parse(sections[1])
        show_sign = False
    whole, frac, exponent, is_zero = number(abs(value), info)
    if is_zero and len(sections) > 2 and sections[2]:
        items, info = parse(sections[2])
        whole, frac, exponent, is_zero = number(Decimal(0), info)
        show_sign = False
    if is_zero or not info["digits"]:
        show_sign = False
    return render(items, info, whole, frac, exponent, show_sign)


def main():
    bad = 0
    with open(sys.argv[1], encoding="utf-8") as f:
        for line in f:
            mask, value, result = line.rstrip("\n").split("\t")
            want = format_float(mask, value)
            if want != result:
                print(f"mask {mask!r} value {value}: got {result!r}, expected {want!r}")
                bad += 1
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
