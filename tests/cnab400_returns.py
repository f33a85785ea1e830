#!/usr/bin/python3
"""Makes CNAB 400 return files for every bank reader of the boleto engine,
each with what `billing-tool retorno --bank CODE FILE` must answer.

    cnab400_returns.py OUT_DIR
    cnab400_returns.py --records BANK COUNT FILE   (one large return, for benchmarks)
    cnab400_returns.py --clients OUT_DIR            (returns for the client bank classes)

writes OUT_DIR/NAME.ret (Windows-1252 bytes) and OUT_DIR/NAME.json:
{"bank": "237", "batch": {...}} for a file that reads, or
{"bank": "237", "error": "..."} for one that must fail ("{path}" stands for
the file name as given to the tool). With --clients the answers name a
client bank class instead ({"class": "TKavrinoBanco422", ...}), for
`billing-tool retorno --class NAME FILE`. The layouts here are written from the
banks' record positions, apart from the engine's own tables.
"""
import datetime
import json
import os
import sys

# ----------------------------------------------------------------- layouts
# (JSON key, first position, last position, conversion). Conversions:
# text (bytes as they stand), empty (always ""), money (13 digits of cents),
# money_or_zero (blanks give 0), money0 and date0 (all zeros give 0 / null),
# date (ddmmyy), ymd (yyyymmdd, blank gives null), same:KEY (the value of KEY).

VALUES = [('ValorDocumento', 153, 165, 'money'), ('ValorIOF', 215, 227, 'money'),
          ('ValorAbatimento', 228, 240, 'money'), ('ValorDesconto', 241, 253, 'money'),
          ('ValorMoraJuros', 267, 279, 'money'), ('ValorOutrosCreditos', 280, 292, 'money')]
AG = 'Cedente.ContaBancaria.CodigoAgencia'
CONTA = 'Cedente.ContaBancaria.NumeroConta'
DC = 'Cedente.ContaBancaria.DigitoConta'
OCORR = ('DataOcorrencia', 111, 116, 'date')
CRED_111 = ('DataCredito', 0, 0, 'same:DataOcorrencia')


def std(nosso, ag, dc, despesa, extra=(), values=VALUES, seu=('SeuNumero', 38, 62, 'text')):
    return [seu, ('NumeroDocumento', 117, 126, 'text'), nosso, ag, dc, OCORR, *values, despesa, *extra, CRED_111]


BANKS = {
    '001': dict(name='BANCO DO BRASIL', number=(101, 107), motive=(81, 82), desc=True,
                layout=std(('NossoNumero', 63, 73, 'text'), (AG, 18, 21, 'text'), (DC, 22, 22, 'text'),
                           ('ValorDespesaCobranca', 189, 201, 'money'),
                           [('Carteira', 107, 108, 'text'), ('Sacado.Nome', 347, 376, 'text')])),
    '748': dict(name='SICREDI', number=(101, 107), motive=(319, 320), desc=True, ymd=True,
                layout=[('NumeroDocumento', 117, 126, 'text'), ('SeuNumero', 0, 0, 'same:NumeroDocumento'),
                        ('NossoNumero', 48, 62, 'text'), ('Carteira', 107, 108, 'text'), (AG, 18, 21, 'text'),
                        (DC, 22, 22, 'text'), OCORR, ('ValorDocumento', 153, 165, 'money'),
                        ('ValorIOF', 215, 227, 'money_or_zero'), ('ValorAbatimento', 228, 240, 'money_or_zero'),
                        ('ValorDesconto', 241, 253, 'money_or_zero'), ('ValorMoraJuros', 267, 279, 'money_or_zero'),
                        ('ValorOutrosCreditos', 280, 292, 'money_or_zero'),
                        ('ValorDespesaCobranca', 189, 201, 'money_or_zero'), ('Sacado.Nome', 347, 376, 'text'),
                        ('DataCredito', 329, 336, 'ymd')]),
    '291': dict(name='BCN', number=(389, 394), motive=(299, 308), desc=True,
                layout=std(('NossoNumero', 139, 146, 'text'), (AG, 169, 172, 'text'), (DC, 173, 173, 'text'),
                           ('ValorDespesaCobranca', 202, 214, 'money'), [('Carteira', 108, 108, 'text')])),
    '320': dict(name='BICBANCO', number=(109, 115), motive=(135, 136), desc=True,
                layout=std(('NossoNumero', 63, 70, 'text'), (AG, 169, 172, 'text'), (DC, 173, 173, 'text'),
                           ('ValorDespesaCobranca', 176, 188, 'money'), [('Carteira', 108, 108, 'text')],
                           values=[v for v in VALUES if v[0] != 'ValorDesconto'] +
                           [('ValorDesconto', 0, 0, 'same:ValorAbatimento')])),
    '353': dict(name='Banco Santander', number=(392, 394), desc=True,
                layout=std(('NossoNumero', 63, 70, 'text'), (AG, 169, 172, 'text'), (DC, 173, 173, 'text'),
                           ('ValorDespesaCobranca', 176, 188, 'money'), [('Carteira', 108, 108, 'text')])),
    '394': dict(name='BMC', number=(109, 114), motive=(302, 351), desc=True, motive_same=True,
                layout=std(('NossoNumero', 63, 76, 'text'), (AG, 169, 172, 'text'), (DC, 173, 173, 'text'),
                           ('ValorDespesaCobranca', 176, 188, 'money'), [('Carteira', 108, 108, 'text')])),
    '409': dict(name='UNIBANCO', number=(392, 394), motive=(380, 381), desc=True,
                layout=std(('NossoNumero', 63, 72, 'text'), (AG, 18, 21, 'text'), (DC, 28, 28, 'text'),
                           ('ValorDespesaCobranca', 176, 188, 'money'),
                           [('Carteira', 108, 108, 'text'), (CONTA, 22, 27, 'text'), ('Sacado.Nome', 347, 376, 'text')],
                           values=[v for v in VALUES if v[0] not in ('ValorIOF', 'ValorOutrosCreditos')])),
    '422': dict(name='Banco Safra', number=(392, 394), motive=(105, 107), desc=True,
                layout=std(('NossoNumero', 63, 71, 'text'), (AG, 169, 172, 'text'), (DC, 173, 173, 'text'),
                           ('ValorDespesaCobranca', 176, 188, 'money'), [('Carteira', 108, 108, 'text')])),
    '745': dict(name='CITIBANK', number=None, motive=(302, 321), desc=True,
                layout=std(('NossoNumero', 65, 76, 'text'), (AG, 169, 173, 'text'), ('Carteira', 108, 108, 'text'),
                           ('ValorDespesaCobranca', 176, 188, 'money'),
                           values=[v for v in VALUES if v[0] != 'ValorOutrosCreditos'])),
    '104': dict(name='Caixa Econ. Federal', number=(390, 394), zero_header=True, code_only=True,
                rejected_motive=(80, 82),
                layout=[('NumeroDocumento', 38, 62, 'text'), ('NossoNumero', 63, 72, 'text'), (AG, 18, 21, 'text'),
                        (CONTA, 22, 32, 'text'), (DC, 33, 33, 'text'), ('Carteira', 107, 108, 'text'),
                        ('DataOcorrencia', 111, 116, 'date0'), ('DataCredito', 294, 299, 'date0'),
                        *[(k, a, b, 'money0') for k, a, b, _ in VALUES],
                        ('ValorDespesaCobranca', 176, 188, 'money0')]),
    '237': dict(name='BRADESCO', number=(109, 113), desc=True, rejected_motive=(319, 320), short=True,
                layout=[('NumeroDocumento', 38, 62, 'text'), ('NossoNumero', 71, 81, 'text'),
                        ('Carteira', 22, 24, 'text'), (AG, 25, 29, 'text'), (CONTA, 30, 36, 'text'),
                        (DC, 37, 37, 'text'), OCORR, *VALUES, ('ValorDespesaCobranca', 176, 188, 'money'),
                        ('ValorOutrasDespesas', 189, 201, 'money'), ('DataCredito', 296, 301, 'date0')]),
    '341': dict(name='Banco Itaú S.A.', number=(109, 113), motive=(378, 385), desc=True,
                layout=[(AG, 18, 21, 'text'), (CONTA, 24, 28, 'text'), (DC, 29, 29, 'text'),
                        ('Cedente.CodigoCedente', 0, 0, 'same:' + CONTA),
                        ('Cedente.DigitoCodigoCedente', 0, 0, 'same:' + DC), ('SeuNumero', 38, 62, 'text'),
                        ('NossoNumero', 63, 70, 'text'), ('Carteira', 83, 85, 'text'), OCORR, *VALUES,
                        ('ValorDespesaCobranca', 176, 188, 'money'), ('DataCredito', 296, 301, 'date0'),
                        ('Sacado.Nome', 325, 354, 'text')]),
    '021': dict(name='BANESTES', number=(101, 107), short=True, no_occurrence=True,
                layout=[('SeuNumero', 38, 62, 'text'), ('NossoNumero', 63, 70, 'text'), (CONTA, 18, 28, 'text'),
                        ('Cedente.CodigoCedente', 0, 0, 'same:' + CONTA), OCORR, *VALUES,
                        ('ValorDespesaCobranca', 176, 188, 'money'), ('ValorOutrasDespesas', 189, 201, 'money')]),
    '389': dict(name='Banco Mercantil Brasil', number=(390, 394), short=True, no_occurrence=True,
                layout=[('SeuNumero', 38, 62, 'text'), ('NossoNumero', 67, 76, 'text'), (AG, 18, 21, 'text'),
                        (CONTA, 24, 30, 'text'), ('Cedente.CodigoCedente', 29, 37, 'text'), OCORR, *VALUES,
                        ('ValorDespesaCobranca', 176, 188, 'money'), ('DataCredito', 296, 301, 'date0')]),
    '275': dict(name='Banco Real S.A.', number=(109, 116), short=True, no_occurrence=True,
                layout=[('SeuNumero', 38, 62, 'empty'), ('NossoNumero', 45, 59, 'text'), ('Carteira', 108, 108, 'text'),
                        (AG, 19, 22, 'text'), (CONTA, 24, 30, 'text'), ('Cedente.CodigoCedente', 0, 0, 'same:' + CONTA),
                        OCORR, *VALUES, ('DataCredito', 296, 301, 'date0')]),
    '479': dict(name='Bank Boston', number=(391, 394), short=True, kind_only=True,
                layout=[('SeuNumero', 38, 62, 'text'), ('NossoNumero', 63, 71, 'text'), OCORR,
                        ('ValorDocumento', 153, 165, 'money'), ('ValorIOF', 215, 227, 'money'),
                        ('ValorDesconto', 228, 240, 'money'), ('ValorMoraJuros', 267, 279, 'money'),
                        ('DataCredito', 286, 291, 'date0'), ('Sacado.Nome', 292, 331, 'text')]),
}
BANKS['999'] = dict(BANKS['001'], name='TOLVARENA')
BANKS['356'] = dict(BANKS['275'], name='BANCO REAL           ',
                    layout=[('NossoNumero', 45, 57, 'text') if f[0] == 'NossoNumero' else f
                            for f in BANKS['275']['layout']])

# Records per bank: (occurrence code, expected kind, expected occurrence
# text, motive code text, expected motive text).
LIQ = 'toRetornoLiquidado'
OCCURRENCES = {
    '001': [('06', LIQ, '06-Liquidação Normal', '  ', ''),
            ('02', 'toRetornoRegistroConfirmado', '02-Confirmação de Entrada de Título', '  ', ''),
            ('03', 'toRetornoComandoRecusado', '03-Comando recusado', '67', '66-Título/carne rejeitado'),
            ('26', 'toRetornoEncaminhadoACartorio', '', '66', '')],
    '748': [('28', 'toRetornoDebitoTarifas', '28-Tarifa', 'AB', '00-'),
            ('06', LIQ, '06-Liquidação Normal', '00', '00-')],
    '291': [('06', LIQ, '06-Liquidação Normal', '0103      ', '03-Data da remessa inválida'),
            ('03', 'toRetornoRegistroRecusado', '03-Entrada Rejeitada', '99        ', '')],
    '320': [('06', LIQ, '06-LIQUIDAÇÃO NORMAL', '  ', ''),
            ('03', 'toRetornoRegistroRecusado', '03-ENTRADA REJEITADA', '15', '15-Erro digito nosso número'),
            ('09', 'toRetornoBaixado', '09-BAIXADO AUTOMATICAMENTE', '09', '')],
    '353': [('06', LIQ, '06-LIQUIDAÇÃO', '', ''),
            ('17', 'toRetornoLiquidadoEmCartorio', '17-LIQUIDADO EM CARTÓRIO', '', '')],
    '394': [('49', 'toRetornoRecebimentoInstrucaoBaixar', '47-Pedido de baixa acatado', 'MOTIVO LIVRE DO BANCO', None),
            ('06', LIQ, '06-Liquidação normal', '', None)],
    '409': [('06', LIQ, '06-LIQUIDAÇÃO NORMAL', '  ', ''),
            ('03', 'toRetornoRegistroRecusado', '03-ENTRADA REJEITADA', '08', '08-Nosso número inválido')],
    '422': [('06', LIQ, '06-LIQUIDAÇÃO NORMAL', '   ', ''),
            ('03', 'toRetornoRegistroRecusado', '03-ENTRADA REJEITADA', '050',
             '050-ABATIMENTO COM VALOR PARA OPERAÇÃO "01"  (Entrada de Título)')],
    '745': [('03', 'toRetornoRegistroRecusado', '03-TRANSAÇÃO REJEITADA', '1622',
             '16-Id.registro de dados diferente de 1 (pos 1) 22-Número bancário inválido (pos 63) '),
            ('06', LIQ, '06-LIQUIDAÇÃO/PAGAMENTO', '', '')],
    '104': [('21', LIQ, '', '', ''),
            ('99', 'toRetornoRegistroRecusado', '', '008', '08 - Movimento para Titulo já com Movimentacao no dia'),
            ('22', 'toRetornoLiquidadoEmCartorio', '', '008', ''),
            ('99', 'toRetornoRegistroRecusado', '', '003', '003 - Outros motivos')],
    '237': [('06', LIQ, '06-Liquidação  normal', '48', ''),
            ('24', 'toRetornoRegistroRecusado', '23-Entrada rejeitada por CEP Irregular', '48', '48 - CEP irregular'),
            ('03', 'toRetornoRegistroRecusado', '03-Entrada Rejeitada', '00', '00 - Ocorrencia aceita'),
            ('06', LIQ, '06-Liquidação  normal', '', '')],
    '341': [('06', LIQ, '06-LIQUIDAÇÃO NORMAL', '0304', 'ESTADO - SIGLA DO ESTADO INVÁLIDA'),
            ('26', 'toRetornoDebitoTarifas', '26-TARIFA DE AVISO DE COBRANÇA', '', ''),
            ('01', 'toRetornoOutrasOcorrencias', '', '11', 'CEP\t- CEP NÃO NUMÉRICO')],
    '479': [('90', 'toRetornoBaixado', '', '', ''), ('91', 'toRetornoBaixaSolicitada', '', '', ''),
            ('06', LIQ, '', '', '')],
}
OCCURRENCES['999'] = OCCURRENCES['001']
for b in ('021', '389', '275', '356'):
    OCCURRENCES[b] = [('06', None, '', '', ''), ('02', None, '', '', '')]

# 341's document kinds: code text at 174-175 and the expected kind.
ESPECIES_341 = [('13', 'edNotaDebito'), ('99', 'edOutros'), ('  ', 'edOutros'), ('01', 'edDuplicataMercantil')]

NAMES = ['JOSÉ DA CONCEIÇÃO', 'MARIA ÂNGELA GONÇALVES', 'ÇAFÉ & CIA LTDA', 'JOÃO PESSOA']


# ------------------------------------------------------------------- bytes

def put(line, first, last, value):
    data = value.encode('cp1252') if isinstance(value, str) else value
    assert len(data) <= last - first + 1, (first, last, value)
    line[first - 1:first - 1 + len(data)] = data


def cents_text(cents):
    return '%013d' % cents


def money_json(cents):
    return '%d.%02d' % (cents // 100, cents % 100)


def new_title():
    def person():
        return {'TipoInscricao': 'tiPessoaFisica', 'NumeroCPFCGC': '', 'Nome': '',
                'Endereco': {k: '' for k in ('Rua', 'Numero', 'Complemento', 'Bairro', 'Cidade', 'Estado', 'CEP',
                                             'EMail')},
                'ContaBancaria': {'Banco': {'Codigo': ''}, 'CodigoAgencia': '', 'DigitoAgencia': '',
                                  'NumeroConta': '', 'DigitoConta': '', 'NomeCliente': ''}}
    t = {'TipoOcorrencia': 'toRemessaRegistrar', 'OcorrenciaOriginal': '', 'DescricaoOcorrenciaOriginal': '',
         'MotivoRejeicaoComando': '', 'DescricaoMotivoRejeicaoComando': '',
         'LocalPagamento': 'PAGÁVEL EM QUALQUER BANCO ATÉ O VENCIMENTO', 'Cedente': person(), 'Sacado': person(),
         'SeuNumero': '', 'NossoNumero': '', 'NumeroDocumento': '', 'Carteira': '', 'AceiteDocumento': 'adNao',
         'EspecieDocumento': 'edRecibo', 'Instrucoes': [], 'ExibirInstrucoesAutomaticas': False,
         'EmissaoBoleto': 'ebClienteEmite', 'NumeroAns': '', 'EspecieDoc2': '', 'Sacador': '', 'MargemBoleto': 0,
         'Mensagens': []}
    t['Cedente'].update({'CodigoCedente': '', 'DigitoCodigoCedente': ''})
    for k in ('Processamento', 'Documento', 'Vencimento', 'Ocorrencia', 'Credito', 'Abatimento', 'Desconto',
              'MoraJuros', 'Protesto', 'Baixa'):
        t['Data' + k] = None
    for k in ('Documento', 'DespesaCobranca', 'Abatimento', 'Desconto', 'MoraJuros', 'IOF', 'OutrasDespesas',
              'OutrosCreditos'):
        t['Valor' + k] = '0.00'
    return t


def set_path(title, key, value):
    *parents, last = key.split('.')
    for p in parents:
        title = title[p]
    title[last] = value


def get_path(title, key):
    for p in key.split('.'):
        title = title[p]
    return title


def header(bank, rules, day, number, payee_name, code_479=''):
    line = bytearray(b' ' * 400)
    put(line, 1, 19, '02RETORNO01COBRANCA')
    if bank == '479':
        put(line, 30, 37, code_479)
        put(line, 38, 76, payee_name)
    else:
        put(line, 47, 76, payee_name)
    put(line, 77, 79, bank)
    if rules.get('ymd'):
        put(line, 95, 102, day.strftime('%Y%m%d'))
        put(line, 103, 107, '%05d' % number)
    else:
        put(line, 95, 100, day.strftime('%d%m%y'))
        if rules['number']:
            a, b = rules['number']
            put(line, a, b, str(number).rjust(b - a + 1, '0'))
    put(line, 395, 400, '000001')
    return line


def detail(bank, rules, i, occ, seq, credit_blank=False):
    """One detail line and the title it must give."""
    code, kind, occ_text, motive, motive_text = occ
    line = bytearray(b' ' * 400)
    put(line, 1, 1, '1')
    put(line, 2, 3, ['01', '02', '03', '  '][i % 4])
    cpf = '%014d' % (12345678000100 + i)
    put(line, 4, 17, cpf)
    put(line, 109, 110, code)
    put(line, 395, 400, '%06d' % seq)
    t = new_title()
    t['Cedente']['TipoInscricao'] = ['tiPessoaFisica', 'tiPessoaJuridica', 'tiOutro', 'tiOutro'][i % 4]
    t['Cedente']['NumeroCPFCGC'] = cpf
    t['Cedente']['ContaBancaria']['Banco']['Codigo'] = bank
    occurred = datetime.date(2069, 12, 31) if i == 1 else datetime.date(2024, 3, 10 + i)
    credited = None if credit_blank else occurred - datetime.timedelta(days=2)
    texts = {'SeuNumero': 'SEU-%d' % i, 'NumeroDocumento': 'DOC%d' % i, 'NossoNumero': '%d' % (7000 + i),
             'Carteira': '109', AG: '0123', CONTA: '98765432', DC: '7', 'Sacado.Nome': NAMES[i % len(NAMES)],
             'Cedente.CodigoCedente': 'PAYEE%d' % i}
    done = {}
    for key, first, last, conv in rules['layout']:
        if conv.startswith('same:'):
            continue
        width = last - first + 1
        if conv == 'text':
            put(line, first, last, texts[key][-width:] if key != 'Carteira' else texts[key][:width])
            value = None  # read back below: text fields may overlap
        elif conv == 'empty':
            put(line, first, last, 'IGNORADO')
            value = ''
        elif conv.startswith('money'):
            cents = 12345 + 1000 * i + len(done)
            if conv == 'money_or_zero' and i % 2 == 1:
                value = '0.00'  # blanks
            elif conv == 'money0' and i % 2 == 1:
                put(line, first, last, '0' * 13)
                value = '0.00'
            else:
                put(line, first, last, cents_text(cents))
                value = money_json(cents)
        elif conv in ('date', 'date0'):
            d = credited if key == 'DataCredito' else occurred
            if d is None:
                put(line, first, last, '000000' if i % 2 else '      ')
                value = None
            else:
                put(line, first, last, d.strftime('%d%m%y'))
                value = d.isoformat()
        elif conv == 'ymd':
            if credited is None:
                value = None
            else:
                put(line, first, last, credited.strftime('%Y%m%d'))
                value = credited.isoformat()
        done[key] = value
        set_path(t, key, value)
    for key, first, last, conv in rules['layout']:
        if conv == 'text':
            set_path(t, key, bytes(line[first - 1:last]).decode('cp1252'))
    for key, first, last, conv in rules['layout']:
        if conv.startswith('same:'):
            set_path(t, key, get_path(t, conv[5:]))
    if bank == '320':
        put(line, 241, 253, cents_text(99999))  # not read: the discount repeats the rebate
    if kind is not None:
        t['TipoOcorrencia'] = kind
    if not rules.get('no_occurrence') and not rules.get('kind_only'):
        t['OcorrenciaOriginal'] = code
        if rules.get('desc'):
            t['DescricaoOcorrenciaOriginal'] = occ_text
    if 'motive' in rules:
        a, b = rules['motive']
        put(line, a, b, motive)
        raw = bytes(line[a - 1:b]).decode('cp1252')
        t['MotivoRejeicaoComando'] = raw
        t['DescricaoMotivoRejeicaoComando'] = raw if rules.get('motive_same') else motive_text
    if 'rejected_motive' in rules:
        a, b = rules['rejected_motive']
        put(line, a, b, motive)
        if kind in ('toRetornoRegistroRecusado', 'toRetornoComandoRecusado'):
            t['MotivoRejeicaoComando'] = bytes(line[a - 1:b]).decode('cp1252')
            t['DescricaoMotivoRejeicaoComando'] = motive_text
    if bank == '341':
        especie, name = ESPECIES_341[i % len(ESPECIES_341)]
        put(line, 174, 175, especie)
        t['EspecieDocumento'] = name
        t['Sacado']['TipoInscricao'] = 'tiOutro'
    return line, t


def trailer(seq):
    line = bytearray(b' ' * 400)
    put(line, 1, 1, '9')
    put(line, 395, 400, '%06d' % seq)
    return line


def payee_of(bank, t, payee_name, code_479):
    t['Cedente']['Nome'] = payee_name.strip()
    if bank == '479':
        t['Cedente']['CodigoCedente'] = code_479


def make_return(bank, with_trailer=True, credit_blank=False, eol=b'\r\n'):
    rules = BANKS[bank]
    day = datetime.date(1970, 1, 1) if bank != '748' else datetime.date(2024, 2, 29)
    number = 42
    payee = 'EMPRESA ÁGIL COMÉRCIO'
    lines = [header(bank, rules, day, number, payee, 'C0DE4790')]
    titles = []
    for i, occ in enumerate(OCCURRENCES[bank]):
        line, t = detail(bank, rules, i, occ, len(lines) + 1, credit_blank and i > 0)
        payee_of(bank, t, payee, 'C0DE4790')
        lines.append(line)
        titles.append(t)
    if with_trailer:
        lines.append(trailer(len(lines) + 1))
    data = eol.join(bytes(l) for l in lines) + (eol if with_trailer else b'')
    if bank == '748':
        number_read = int(day.strftime('%d') + '%05d' % number)
    elif rules['number'] is None:
        number_read = 0
    else:
        number_read = number
    batch = {'NomeArquivoRetorno': '{path}', 'NumeroArquivo': number_read, 'DataArquivo': day.isoformat(),
             'LayoutArquivo': 'laCNAB400', 'AmbienteArquivo': 0, 'Titulos': titles}
    return data, batch


def failures():
    """Files that must be refused: (name, bank, bytes, message)."""
    good, _ = make_return('001')
    lines = good.split(b'\r\n')
    bad_amount = bytearray(lines[1])
    bad_amount[152:165] = b'00000000ABC45'
    cut = good[:len(lines[0]) + 2 + 150]
    name = bytearray(lines[0])
    name[18:19] = b'B'
    yield ('truncated', '001', cut, 'Tamanho de registro diferente de 400 bytes. Tamanho = 150 bytes na linha 2')
    yield ('bad_amount', '001', b'\r\n'.join([lines[0], bytes(bad_amount)] + lines[2:]),
           "'00000000ABC45' is not a valid floating point value na linha 2")
    # Past the lines the reader reads ahead: the line is the record's own.
    yield ('bad_amount_line_5', '001', b'\r\n'.join(lines[:4] + [bytes(bad_amount)] + lines[5:]),
           "'00000000ABC45' is not a valid floating point value na linha 5")
    lines_237 = make_return('237')[0].split(b'\r\n')
    yield ('long_line_4', '237', b'\r\n'.join(lines_237[:3] + [lines_237[3] + b' ' * 4600] + lines_237[4:]),
           'Tamanho de registro diferente de 400 bytes. Tamanho = 5000 bytes na linha 4')
    # The trailer and blank lines count too; a detail after them is read with its own line.
    yield ('after_blank_lines', '001', b'\r\n'.join(lines[:2] + [b'', b'', bytes(bad_amount)] + lines[2:]),
           "'00000000ABC45' is not a valid floating point value na linha 5")
    yield ('short_header', '001', lines[0][:399] + b'\r\n' + b'\r\n'.join(lines[1:]), 'Tamanho de registro inválido: 399')
    yield ('cnab240', '001', b' ' * 240 + b'\n',
           'A leitura de arquivo de retorno para o BANCO DO BRASIL não está está disponível para o layout laCNAB240')
    yield ('cnab240_748', '748', b' ' * 240 + b'\n', 'Tamanho de registro inválido: 240')
    yield ('empty', '001', b'', 'O retorno está vazio. Não há dados para processar')
    yield ('other_bank', '237', good, 'Este não é um retorno de cobrança do banco 237 - BRADESCO')
    yield ('header_name', '001', b'\r\n'.join([bytes(name)] + lines[1:]),
           '{path} não é um arquivo de retorno de cobrança com layout CNAB400')
    yield ('header_name_341', '341', bytes(name) + b'\n', '{path} não é um arquivo de retorno de cobrança')
    yield ('letters_occurrence', '001', good.replace(lines[1], lines[1][:108] + b'AB' + lines[1][110:]),
           "'AB' is not a valid integer value na linha 2")
    yield ('no_reader', '033', good, 'Processamento de arquivo retorno não está disponível para o banco 033 - SANTANDER')


def bulk(bank, count, path):
    """A return of `count` detail records cycling through the bank's records."""
    rules = BANKS[bank]
    samples = [detail(bank, rules, i, occ, 0)[0] for i, occ in enumerate(OCCURRENCES[bank])]
    with open(path, 'wb') as f:
        f.write(bytes(header(bank, rules, datetime.date(2024, 3, 15), 42, 'EMPRESA ÁGIL COMÉRCIO')) + b'\r\n')
        for n in range(count):
            line = samples[n % len(samples)]
            line[394:400] = b'%06d' % ((n + 2) % 1000000)
            f.write(bytes(line) + b'\r\n')
        f.write(bytes(trailer((count + 2) % 1000000)) + b'\r\n')


def write_case(out, name, data, answer):
    """OUT/NAME.ret holds the file's bytes, OUT/NAME.json what the tool must answer."""
    with open(os.path.join(out, name + '.ret'), 'wb') as f:
        f.write(data)
    with open(os.path.join(out, name + '.json'), 'w', encoding='utf-8') as f:
        json.dump(answer, f, ensure_ascii=False, indent=1)


# Client bank classes: (class, engine reader it uses, bank code in the header
# and titles, bank name in its messages, place of payment of its model's titles).
PAGAVEL_BRADESCO = 'Pagavel preferencialmente na rede Bradesco ou Bradesco Expresso'
ITAU = 'Banco Itaú SA'
CLIENT_CLASSES = [
    ('TMovrentaBanco409', '409', '409', 'UNIBANCO', None),
    ('TPrentalvaBanco341', '409', '341', ITAU, None),
    ('TQuistralSaudeBanco341', '409', '341', ITAU, None),
    ('TTrelvaniBanco341', '409', '341', ITAU, None),
    ('TTrelvaniBanco341Unicred', '409', '341', ITAU, None),
    ('TCrestalvoBanco341', '409', '341', ITAU, None),
    ('TFendrasilBanco341', '409', '341', ITAU, None),
    ('TKavrinoBanco422', '409', '422', 'Banco Safra', None),
    ('TKavrinoBanco422_Bradesco', '409', '422', 'Banco Safra', None),
    ('TKavrinoBanco341', '409', '341', ITAU, None),
    ('TKavrinoBanco341Safra', '409', '341', ITAU, None),
    ('TTrelvaniBanco237', '237', '237', 'BRADESCO', PAGAVEL_BRADESCO),
    ('TQuembraBanco237', '237', '237', 'BRADESCO', PAGAVEL_BRADESCO),
    ('TBrevantaBanco237', '237', '237', 'BRADESCO', None),
]


def client_return(layout, code, local):
    """A return in the layout of engine bank `layout` whose header carries `code`."""
    data, batch = make_return(layout)
    data = data[:76] + code.encode('ascii') + data[79:]
    for t in batch['Titulos']:
        t['Cedente']['ContaBancaria']['Banco']['Codigo'] = code
        if local:
            t['LocalPagamento'] = local
    return data, batch


def clients(out):
    cases = 0
    for cls, layout, code, name, local in CLIENT_CLASSES:
        data, batch = client_return(layout, code, local)
        answers = [('full', {'class': cls, 'batch': batch})]
        other = '409' if code != '409' else '341'
        wrong = data[:76] + other.encode('ascii') + data[79:]
        answers.append(('other_bank', {'class': cls, 'error': 'Este não é um retorno de cobrança do banco %s - %s'
                                       % (code, name)}))
        for kind, answer in answers:
            write_case(out, '%s_%s' % (kind, cls), data if kind == 'full' else wrong, answer)
            cases += 1
    print('%d cases' % cases)


def main():
    if sys.argv[1] == '--clients':
        os.makedirs(sys.argv[2], exist_ok=True)
        clients(sys.argv[2])
        return
    if sys.argv[1] == '--records':
        bulk(sys.argv[2], int(sys.argv[3]), sys.argv[4])
        return
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    cases = 0

    def write(name, data, answer):
        nonlocal cases
        write_case(out, name, data, answer)
        cases += 1

    for bank in sorted(BANKS):
        data, batch = make_return(bank)
        write('full_' + bank, data, {'bank': bank, 'batch': batch})
    for bank in ('001', '341', '237', '021', '479'):
        data, batch = make_return(bank, with_trailer=False, eol=b'\n')
        write('no_trailer_' + bank, data, {'bank': bank, 'batch': batch})
    for bank in ('341', '389', '275', '356', '479', '237', '104', '748'):
        data, batch = make_return(bank, credit_blank=True)
        write('blank_credit_' + bank, data, {'bank': bank, 'batch': batch})
    for name, bank, data, message in failures():
        write('fail_' + name, data, {'bank': bank, 'error': message})
    print('%d cases' % cases)


if __name__ == '__main__':
    main()
