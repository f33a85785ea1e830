#!/usr/bin/python3
"""Makes CNAB 240 return files of bank 104 (Caixa), each with what
`billing-tool retorno --bank 104 FILE` must answer.

    cnab240_returns.py OUT_DIR
    cnab240_returns.py --records COUNT FILE   (one large return, for benchmarks)

writes OUT_DIR/NAME.ret (Windows-1252 bytes, 240 bytes a record) and
OUT_DIR/NAME.json: {"bank": "104", "batch": {...}} for a file that reads, or
{"bank": "104", "error": "..."} for one that must fail ("{path}" stands for
the file name as given to the tool). The records are written from the bank's
CNAB 240 record positions, apart from the engine's own tables; the title
model of the answers is the one of cnab400_returns.py.
"""
import datetime
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cnab400_returns import money_json, new_title, put, write_case  # noqa: E402

BANK = '104'
BANK_NAME = 'Caixa Econ. Federal'

# Occurrence code -> kind, as the bank's return layout names them.
KINDS = {2: 'toRetornoRegistroConfirmado', 3: 'toRetornoRegistroRecusado', 30: 'toRetornoRegistroRecusado',
         6: 'toRetornoLiquidado', 17: 'toRetornoLiquidado', 9: 'toRetornoBaixado',
         12: 'toRetornoRecebimentoInstrucaoConcederAbatimento',
         13: 'toRetornoRecebimentoInstrucaoCancelarAbatimento',
         14: 'toRetornoRecebimentoInstrucaoAlterarVencimento', 19: 'toRetornoRecebimentoInstrucaoProtestar',
         20: 'toRetornoRecebimentoInstrucaoSustarProtesto', 23: 'toRetornoEncaminhadoACartorio',
         24: 'toRetornoRetiradoDeCartorio', 25: 'toRetornoProtestado', 26: 'toRetornoComandoRecusado',
         27: 'toRetornoRecebimentoInstrucaoAlterarDados', 28: 'toRetornoDebitoTarifas',
         36: 'toRetornoRecebimentoInstrucaoConcederDesconto', 37: 'toRetornoRecebimentoInstrucaoCancelarDesconto',
         43: 'toRetornoProtestoOuSustacaoEstornado', 44: 'toRetornoBaixaOuLiquidacaoEstornada',
         45: 'toRetornoDadosAlterados'}
REFUSED = ('toRetornoRegistroRecusado', 'toRetornoComandoRecusado')
# A few motive texts of the bank's table; codes not listed get "NN - Outros motivos".
MOTIVES = {8: '08 - Nosso numero invalido', 45: '45 - Nome do sacado nao informado',
           81: "81 - Literal 'REMESSA-TESTE' valida somente para fase de testes",
           91: '91 - Erro na sequência de segmento do registro detalhe'}

PAYEE = dict(kind='2', cpf='12345678000199', code='000000001234567', digit='8', agency='01234', agency_digit='5',
             account='000000098765', account_digit='1', name='AÇÚCAR & CAFÉ DO SERTÃO LTDA')
NAMES = ['JOSÉ DA CONCEIÇÃO', 'MARIA ÂNGELA GONÇALVES', 'ÇAFÉ & CIA LTDA', 'JOÃO PESSOA', 'ÉDER MÜLLER']


def blank():
    return bytearray(b' ' * 240)


def file_header(first=BANK, kind='0', file_kind='2'):
    line = blank()
    put(line, 1, 3, first)
    put(line, 4, 7, '0000')
    put(line, 8, 8, kind)
    put(line, 18, 18, PAYEE['kind'])
    put(line, 19, 32, PAYEE['cpf'])
    put(line, 33, 47, PAYEE['code'])
    put(line, 48, 48, PAYEE['digit'])
    put(line, 53, 57, PAYEE['agency'])
    put(line, 58, 58, PAYEE['agency_digit'])
    put(line, 59, 70, PAYEE['account'])
    put(line, 71, 71, PAYEE['account_digit'])
    put(line, 73, 102, PAYEE['name'])
    put(line, 103, 132, 'CAIXA ECONOMICA FEDERAL')
    put(line, 143, 143, file_kind)
    put(line, 144, 151, '15032024')
    return line


def batch_header(number='00000042', day='15032024', service='T01'):
    line = blank()
    put(line, 1, 3, BANK)
    put(line, 4, 7, '0001')
    put(line, 8, 8, '1')
    put(line, 9, 11, service)
    put(line, 184, 191, number)
    put(line, 192, 199, day)
    return line


def payee_title():
    t = new_title()
    c = t['Cedente']
    c['TipoInscricao'] = 'tiPessoaJuridica'
    c['NumeroCPFCGC'] = PAYEE['cpf']
    c['CodigoCedente'] = PAYEE['code']
    c['DigitoCodigoCedente'] = PAYEE['digit']
    c['Nome'] = PAYEE['name']
    a = c['ContaBancaria']
    a['Banco']['Codigo'] = BANK
    a['CodigoAgencia'] = PAYEE['agency']
    a['DigitoAgencia'] = PAYEE['agency_digit']
    a['NumeroConta'] = PAYEE['account']
    a['DigitoConta'] = PAYEE['account_digit']
    return t


def amount(line, first, last, cents, t, key, blanks=False):
    """An amount of `cents` (None: an empty field, zeros or blanks)."""
    if cents is None:
        put(line, first, last, ' ' * (last - first + 1) if blanks else '0' * (last - first + 1))
        t[key] = '0.00'
    else:
        put(line, first, last, '%0*d' % (last - first + 1, cents))
        t[key] = money_json(cents)


def date(line, first, day, t, key, blanks=False):
    if day is None:
        put(line, first, first + 7, '        ' if blanks else '00000000')
        t[key] = None
    else:
        put(line, first, first + 7, day.strftime('%d%m%Y'))
        t[key] = day.isoformat()


def segment_t(seq, i, code, motive, t):
    line = blank()
    put(line, 1, 3, BANK)
    put(line, 4, 7, '0001')
    put(line, 8, 8, '3')
    put(line, 9, 13, '%05d' % seq)
    put(line, 14, 14, 'T')
    put(line, 16, 17, code)
    put(line, 47, 56, '%010d' % (700 + i))
    put(line, 59, 69, 'SEU-%d' % i)
    date(line, 74, None if i % 3 == 2 else datetime.date(2024, 4, 1 + i), t, 'DataVencimento', blanks=i % 2 == 0)
    amount(line, 82, 96, 100000 + 17 * i, t, 'ValorDocumento')
    kind = '12 '[i % 3]
    put(line, 133, 133, kind)
    put(line, 135, 148, '%014d' % (98765432100 + i))
    name = NAMES[i % len(NAMES)]
    put(line, 149, 188, name)
    amount(line, 199, 213, None if i % 2 else 250 + i, t, 'ValorDespesaCobranca', blanks=True)
    put(line, 214, 215, motive)
    put(line, 230, 240, 'NAO LIDO')
    t['OcorrenciaOriginal'] = code
    t['TipoOcorrencia'] = KINDS.get(int(code), 'toRetornoOutrasOcorrencias')
    t['NossoNumero'] = '%010d' % (700 + i)
    t['SeuNumero'] = ('SEU-%d' % i).ljust(11)
    t['Sacado']['TipoInscricao'] = {'1': 'tiPessoaFisica', '2': 'tiPessoaJuridica'}.get(kind, 'tiOutro')
    t['Sacado']['NumeroCPFCGC'] = '%014d' % (98765432100 + i)
    t['Sacado']['Nome'] = name
    if t['TipoOcorrencia'] in REFUSED:
        t['MotivoRejeicaoComando'] = motive
        t['DescricaoMotivoRejeicaoComando'] = MOTIVES.get(int(motive), motive + ' - Outros motivos')
    return line


def segment_u(seq, i, t):
    line = blank()
    put(line, 1, 3, BANK)
    put(line, 4, 7, '0001')
    put(line, 8, 8, '3')
    put(line, 9, 13, '%05d' % seq)
    put(line, 14, 14, 'U')
    put(line, 16, 17, '06')  # the U's own movement code is not read
    for n, (first, key) in enumerate([(18, 'ValorMoraJuros'), (33, 'ValorDesconto'), (48, 'ValorAbatimento'),
                                      (63, 'ValorIOF'), (108, 'ValorOutrasDespesas'),
                                      (123, 'ValorOutrosCreditos')]):
        amount(line, first, first + 14, None if (i + n) % 3 == 0 else 1000 * i + 10 * n + 5, t, key,
               blanks=(i + n) % 2 == 0)
    if i % 4 == 1:  # a number shorter than its field, blanks around it
        put(line, 108, 122, '    1234       ')
        t['ValorOutrasDespesas'] = '12.34'
    date(line, 138, datetime.date(2024, 3, 10 + i), t, 'DataOcorrencia')
    date(line, 146, None if i % 2 else datetime.date(2024, 3, 12 + i), t, 'DataCredito', blanks=i % 4 == 1)
    return line


def batch_trailer(count):
    line = blank()
    put(line, 1, 3, BANK)
    put(line, 4, 7, '0001')
    put(line, 8, 8, '5')
    put(line, 14, 14, 'T')  # never taken for a segment: the record type says trailer
    put(line, 18, 23, '%06d' % count)
    return line


def file_trailer(count):
    line = blank()
    put(line, 1, 3, BANK)
    put(line, 4, 7, '9999')
    put(line, 8, 8, '9')
    put(line, 18, 23, '000001')
    put(line, 24, 29, '%06d' % count)
    return line


# A title's records: 'TU' a pair, 'T' or 'U' alone, 'Y' a segment the reader passes over.
FULL = [('06', '  ', 'TU'), ('17', '08', 'TU'), ('03', '08', 'TU'), ('03', '99', 'TU'), ('02', '45', 'TU'),
        ('99', '08', 'TU'), ('30', '81', 'TU'), ('26', '91', 'TU'), ('45', '08', 'TU')]
ALONE = [('06', '  ', 'T'), ('02', '  ', 'TU'), ('09', '  ', 'U'), ('03', '04', 'T'), ('14', '  ', 'Y'),
         ('28', '  ', 'TU'), ('17', '  ', 'U')]


def make_return(records, trailers=True, eol=b'\r\n'):
    lines = [file_header(), batch_header()]
    titles = []
    for i, (code, motive, shape) in enumerate(records):
        t = payee_title()
        if shape == 'Y':
            y = segment_t(len(lines), i, code, motive, new_title())
            put(y, 14, 14, 'Y')
            lines.append(y)
            continue
        if 'T' in shape:
            lines.append(segment_t(len(lines), i, code, motive, t))
        if 'U' in shape:
            lines.append(segment_u(len(lines), i, t))
        titles.append(t)
    if trailers:
        lines.append(batch_trailer(len(lines)))
        lines.append(file_trailer(len(lines) + 1))
    data = eol.join(bytes(line) for line in lines) + eol
    batch = {'NomeArquivoRetorno': '{path}', 'NumeroArquivo': 42, 'DataArquivo': '2024-03-15',
             'LayoutArquivo': 'laCNAB240', 'AmbienteArquivo': 0, 'Titulos': titles}
    return data, batch


def joined(*lines):
    return b'\r\n'.join(bytes(line) for line in lines) + b'\r\n'


def special():
    """Files that read to a stated batch, or fail with a stated message."""
    empty = {'NomeArquivoRetorno': '{path}', 'NumeroArquivo': 0, 'DataArquivo': None,
             'LayoutArquivo': 'laCNAB240', 'AmbienteArquivo': 0, 'Titulos': []}
    yield 'headers_and_trailers', joined(file_header(), batch_header(' ' * 8, '00000000'), batch_trailer(2),
                                         file_trailer(4)), {'batch': empty}
    # Cut after its first detail: three lines, and the title is kept.
    t = payee_title()
    cut = joined(file_header(), batch_header(), segment_t(2, 0, '06', '  ', t))
    yield 'cut_after_t', cut, {'batch': dict(empty, NumeroArquivo=42, DataArquivo='2024-03-15', Titulos=[t])}

    good, _ = make_return(FULL[:2])
    lines = good.split(b'\r\n')[:-1]

    def with_line(index, line):
        changed = list(lines)
        changed[index] = bytes(line)
        return b'\r\n'.join(changed) + b'\r\n'

    def changed_at(index, first, value):
        line = bytearray(lines[index])
        put(line, first, first + len(value) - 1, value)
        return with_line(index, line)

    yield 'three_lines', joined(file_header(), batch_header(), file_trailer(3)), \
        {'error': 'O retorno está vazio. Não há dados para processar'}
    yield 'short_detail', with_line(3, lines[3][:200]), \
        {'error': 'Tamanho de registro diferente de 240 bytes. Tamanho = 200 bytes na linha 4'}
    yield 'short_batch_header', with_line(1, lines[1][:239]), \
        {'error': 'Tamanho de registro diferente de 240 bytes. Tamanho = 239 bytes na linha 2'}
    yield 'other_bank', changed_at(0, 1, '001'), \
        {'error': 'Este não é um retorno de cobrança do banco 104 - %s' % BANK_NAME}
    yield 'remittance_header', changed_at(0, 143, '1'), \
        {'error': '{path} não é um arquivo de retorno de cobrança com layout CNAB240'}
    yield 'not_a_header', changed_at(0, 8, '1'), \
        {'error': 'Este não é um registro HEADER válido para arquivo de retorno de cobrança com layout CNAB240'}
    yield 'not_a_return_batch', changed_at(1, 9, 'R01'), {'error': 'Este não é um lote de retorno de cobrança na linha 2'}
    yield 'letters_in_occurrence', changed_at(4, 16, 'AB'), {'error': "'AB' is not a valid integer value na linha 5"}
    yield 'impossible_date', changed_at(3, 138, '31022024'), {'error': 'Invalid argument to date encode na linha 4'}
    yield 'letters_in_amount', changed_at(2, 82, '00000000000ABC5'), \
        {'error': "'00000000000ABC5' is not a valid floating point value na linha 3"}
    yield 'letters_in_file_number', changed_at(1, 184, '0000004X'), \
        {'error': "'0000004X' is not a valid integer value na linha 2"}


def bulk(count, path):
    """A return of `count` titles (T and U each)."""
    with open(path, 'wb') as f:
        f.write(bytes(file_header()) + b'\r\n' + bytes(batch_header()) + b'\r\n')
        samples = []
        for i, (code, motive, _) in enumerate(FULL):
            t = payee_title()
            samples.append((segment_t(0, i, code, motive, t), segment_u(0, i, t)))
        for n in range(count):
            for k, line in enumerate(samples[n % len(samples)]):
                line[8:13] = b'%05d' % ((2 * n + k + 1) % 100000)
                f.write(bytes(line) + b'\r\n')
        f.write(bytes(batch_trailer((2 * count + 2) % 1000000)) + b'\r\n')
        f.write(bytes(file_trailer((2 * count + 4) % 1000000)) + b'\r\n')


def main():
    if sys.argv[1] == '--records':
        bulk(int(sys.argv[2]), sys.argv[3])
        return
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    cases = 0

    def write(name, data, answer):
        nonlocal cases
        write_case(out, name, data, dict(answer, bank=BANK))
        cases += 1

    data, batch = make_return(FULL)
    write('full', data, {'batch': batch})
    data, batch = make_return(ALONE)
    write('segments_alone', data, {'batch': batch})
    data, batch = make_return(FULL[:4], trailers=False, eol=b'\n')
    write('no_trailers', data, {'batch': batch})
    for name, data, answer in special():
        write(name, data, answer)
    print('%d cases' % cases)


if __name__ == '__main__':
    main()
