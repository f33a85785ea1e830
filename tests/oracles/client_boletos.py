#!/usr/bin/python3
"""Checks the boleto operations of the client bank classes on random titles.

For every class, COUNT random titles of its model go through one
`billing-tool boleto --model UNIT --class NAME --bank CODE` run; the class's
check digit (DigitoClasse), the model's lookup digit, the free field and the
nosso-número text must equal the rules written out here. Modulo 10 is the
Luhn digit of python3-stdnum; the modulo-11 digits are computed here.
The clients' installation constants are read from ClientConstants.h.
Usage: client_boletos.py BILLING_TOOL CONSTANTS_H [COUNT] [SEED]
"""
import datetime
import json
import os
import random
import re
import subprocess
import sys
import tempfile

from stdnum import luhn

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from boleto_codes import digits  # noqa: E402
from client_boleto_reference import mod11_base9 as safra_digit  # noqa: E402
from digit_schemes import eleven_minus, rising, unbounded  # noqa: E402


def mod10(digits):
    return luhn.calc_check_digit(digits) if digits else '0'


def fmt(text, width):
    """Formatar right-aligned with zeros, for digit texts."""
    text = text.strip().upper()
    return text[-width:].rjust(width, '0')


def safra_append(text):
    """Weights 2, 3, 4, ... from the right; remainder 0 appends 1, remainder 1 appends 0."""
    return text + eleven_minus(unbounded(text) % 11, '1', '0')


def bradesco_digit(carteira, nosso):
    """Weights 2 .. 7 from the right over carteira[2] + nosso número[11]; remainder 1 gives P."""
    return eleven_minus(rising(fmt(carteira, 2) + fmt(nosso, 11), 7) % 11, '0', 'P')


def itau_stored(t, k):
    return mod10(t['ag'] + t['conta'] + t['cart'] + fmt(t['nn'], 8))


def itau_padded(t, k):
    return mod10(fmt(t['ag'], 4) + fmt(t['conta'], 5) + t['cart'] + fmt(t['nn'], 8))


def itau_stored_agency(t, k):
    return mod10(t['ag'] + fmt(t['conta'], 5) + t['cart'] + fmt(t['nn'], 8))


def itau_field(t, digit, part):
    return t['cart'] + fmt(t['nn'], 8) + digit + part + '000'


def ag_conta(t):
    return fmt(t['ag'], 4) + fmt(t['conta'], 5)


def field_title_digit(rule):
    return lambda t, k: itau_field(t, rule(t, k), ag_conta(t) + mod10(ag_conta(t)))


def field_carteira_digit(t, k):
    return itau_field(t, mod10(t['cart'] + fmt(t['nn'], 8)), ag_conta(t) + mod10(ag_conta(t)))


def field_account(acc_of):
    def rule(t, k):
        acc = acc_of(t)
        return itau_field(t, mod10(fmt(t['ag'], 4) + acc + t['cart'] + fmt(t['nn'], 8)), fmt(t['ag'], 4) + acc)
    return rule


def field_standard(t, k):
    acc5 = fmt(t['conta'][:5], 5)
    a = fmt(t['ag'], 4) + acc5
    return itau_field(t, mod10(a + t['cart'] + fmt(t['nn'], 8)), a + mod10(a))


def field_198(t, k):
    doc8 = ('00000000' + t['doc'])[-8:]
    seu7 = ('00000000' + k['UnicredNumeroCliente'] + t['doc'][:3])[-7:]
    body = '198' + doc8 + seu7 + k['UnicredCodigoCliente']
    return body + mod10(body) + '0'


def field_movrenta(t, k):
    body = k['MovrentaK3'] + fmt(t['nn'], 8) + k['MovrentaK7'] + k['MovrentaK5']
    return body + mod10(body) + '0'


def field_safra(t, k):
    return '7' + k['SafraAgencia'] + fmt(t['conta'], 9) + fmt(t['nn'], 8) + safra_digit(fmt(t['nn'], 8)) + '2'


def field_safra_bradesco(t, k):
    return (k['SafraBradescoAgencia'] + '09' + t['data'][2:4] + safra_append(fmt(t['nn'], 8)) +
            fmt(k['SafraBradescoConta'], 7) + '0')


def field_bradesco(t, k):
    return fmt(t['ag'], 4) + fmt(t['cart'], 2) + fmt(t['nn'], 11) + fmt(t['conta'], 7) + '0'


def engine_341(t, k):
    return mod10(fmt(t['ag'], 4) + fmt(t['conta'], 5) + fmt(t['cart'], 3) + fmt(t['nn'], 8))


def movrenta_digit(t, k):
    return mod10(k['MovrentaK12'] + fmt(t['nn'], 8))


def safra(t, k):
    return safra_digit(fmt(t['nn'], 8))


def bradesco(t, k):
    return bradesco_digit(t['cart'], t['nn'])


def nn_text(width, digit):
    return lambda t, d: fmt(t['nn'], width) + ('-' + d if digit else '')


def nn_bradesco(t, d):
    return fmt(t['cart'], 3) + '/' + fmt(t['nn'], 11) + '-' + d


# class, model unit ("" for the engine's), bank code, account length,
# check digit, model lookup digit (None: the model has none), free field, nosso número text.
CLASSES = [
    ('TMovrentaBanco409', 'MovrentaCobranca', '409', 5, movrenta_digit, movrenta_digit, field_movrenta,
     nn_text(14, True)),
    ('TPrentalvaBanco341', 'PrentalvaCobranca', '341', 5, itau_stored, itau_stored, field_title_digit(itau_stored),
     nn_text(8, True)),
    ('TQuistralSaudeBanco341', 'QuistralSaudeCobranca', '341', 5, itau_padded, itau_padded,
     field_title_digit(itau_padded), nn_text(8, True)),
    ('TTrelvaniBanco341', 'TrelvaniCobranca', '341', 5, itau_stored, itau_stored, field_title_digit(itau_stored),
     nn_text(8, True)),
    ('TTrelvaniBanco341Unicred', 'TrelvaniCobrancaItauUnicred', '341', 5, itau_stored, None, field_198,
     nn_text(8, False)),
    ('TCrestalvoBanco341', 'CrestalvoCobrancaItau', '341', 5, itau_padded, itau_padded, field_carteira_digit,
     nn_text(8, True)),
    ('TFendrasilBanco341', '', '341', 6, itau_stored, engine_341, field_account(lambda t: fmt(t['conta'][:6], 6)),
     nn_text(8, True)),
    ('TKavrinoBanco422', 'KavrinoCobrancaSAFRA', '422', 7, safra, safra, field_safra, nn_text(8, True)),
    ('TKavrinoBanco422_Bradesco', 'KavrinoCobrancaSAFRA_Bradesco', '422', 7, safra, safra, field_safra_bradesco,
     nn_text(8, True)),
    ('TKavrinoBanco341', 'KavrinoCobranca', '341', 6, itau_stored, itau_stored, field_account(lambda t: t['conta']),
     nn_text(8, True)),
    ('TKavrinoBanco341Safra', 'KavrinoCobrancaItauSafra', '341', 6, itau_stored_agency, itau_stored_agency,
     field_standard, nn_text(8, True)),
    ('TTrelvaniBanco237', 'TrelvaniCobrancaBradescoUnicred', '237', 7, bradesco, bradesco, field_bradesco,
     nn_bradesco),
    ('TQuembraBanco237', 'QuembraCobrancaBradescoUnicred', '237', 7, bradesco, bradesco, field_bradesco,
     nn_bradesco),
    ('TBrevantaBanco237', '', '237', 7, bradesco, bradesco, field_bradesco, nn_bradesco),
]


def constants(path):
    text = open(path, encoding='utf-8').read()
    return dict(re.findall(r'\{"(\w+)", "(\d+)", \d+\}', text))


def random_title(rng, code, account_length, engine):
    day = datetime.date(2000, 8, 1) + datetime.timedelta(days=rng.randint(0, 9000))
    # billing-tool refuses an engine title whose nosso número is wider than its bank's field.
    longest = (11 if code == '237' else 8) if engine else 12
    # Agencies of 3 to 5 digits: some rules weigh the agency as stored, others cut or pad it (the
    # engine's rules refuse a fifth digit). A boleto needs a nosso número.
    t = {'nn': digits(rng, 1, longest), 'cart': digits(rng, 3, 3) if code != '237' else digits(rng, 1, 2),
         'ag': digits(rng, 3, 4 if engine else 5), 'conta': digits(rng, account_length, account_length),
         'doc': digits(rng, 1, 10), 'data': day.isoformat(), 'ced': digits(rng, 1, 7)}
    return t


def as_json(t, code):
    return {'NossoNumero': t['nn'], 'Carteira': t['cart'], 'NumeroDocumento': t['doc'],
            'DataDocumento': t['data'], 'DataVencimento': t['data'], 'ValorDocumento': '1.00',
            'Cedente': {'CodigoCedente': t['ced'],
                        'ContaBancaria': {'CodigoAgencia': t['ag'], 'NumeroConta': t['conta'],
                                          'Banco': {'Codigo': code}}}}


def main(argv):
    tool, header = argv[1], argv[2]
    count = int(argv[3]) if len(argv) > 3 else 300
    rng = random.Random(int(argv[4]) if len(argv) > 4 else 23)
    k = constants(header)
    failures, checked = [], 0
    with tempfile.TemporaryDirectory() as workdir:
        for name, model, code, account_length, digit, lookup, field, nosso in CLASSES:
            titles = [random_title(rng, code, account_length, not model) for _ in range(count)]
            src = os.path.join(workdir, name + '.json')
            with open(src, 'w', encoding='utf-8') as f:
                json.dump([as_json(t, code) for t in titles], f)
            args = [tool, 'boleto', '--class', name, '--bank', code, src]
            if model:
                args[2:2] = ['--model', model]
            r = subprocess.run(args, capture_output=True)
            results = json.loads(r.stdout) if r.stdout else []
            # A value wider than a field that an engine rule reached from the class carries whole
            # (agency, account, nosso número in an engine bank's check digit or texts) is refused, not cut.
            refused = [got for got in results if 'não cabe no campo de' in got.get('Erro', '')]
            others = [got for got in results if 'Erro' in got and got not in refused]
            if r.returncode != 0 and (others or not refused or len(results) != len(titles)):
                failures.append('%s: exit %d: %s' % (name, r.returncode, r.stderr.decode()[:300]))
                continue
            for t, got in zip(titles, results):
                if 'Erro' in got:
                    continue
                shown = lookup(t, k) if lookup else None
                want = {'DigitoClasse': digit(t, k), 'DigitoNossoNumero': shown, 'CampoLivre': field(t, k),
                        'NossoNumeroDigito': nosso(t, shown if lookup else engine_341(t, k))}
                for key, value in want.items():
                    checked += 1
                    if got.get(key) != value:
                        failures.append('%s %r: %s %r, expected %r' % (name, t, key, got.get(key), value))
    for f in failures[:20]:
        print(f)
    print('%d classes, %d values, %d failures' % (len(CLASSES), checked, len(failures)))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
