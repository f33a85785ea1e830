#!/usr/bin/python3
"""Writes a batch of random titles for a CNAB 400 remittance.

The JSON batch is what `billing-tool remessa` reads; --tsv also writes the
same titles one a line, tab-separated, in the column order of TSV_COLUMNS
(what the benchmark's gawk script reads). Amounts are cents, dates YYYY-MM-DD
or empty, instruction lines joined by two blanks.
Usage: make_remessa_batch.py BANK COUNT SEED OUT.json [--tsv OUT.tsv] [--plain]
  --plain keeps texts in ASCII without blanks at their ends (the gawk script
  prints them as they stand).
"""
import datetime
import json
import random
import sys

# Occurrences that every bank's table lists.
OCORRENCIAS = ["toRemessaRegistrar", "toRemessaConcederAbatimento", "toRemessaProtestar"]
ESPECIES = ["edDuplicataMercantil", "edNotaPromissoria", "edRecibo", "edDuplicataServico", "edOutros",
            "edWarrant", "edCheque", "edMensalidadeEscolar", "edLetraCambio"]
WORDS = ["rua", "avenida", "são", "joão", "conceição", "ação", "josé", "maria", "centro", "vila",
         "boa", "vista", "ltda", "comércio", "indústria", "Ângela", "Ítalo", "Úrsula", "Ñandu"]
PLAIN_WORDS = ["RUA", "AVENIDA", "SAO", "JOAO", "CENTRO", "VILA", "BOA", "VISTA", "LTDA", "MARIA"]

TSV_COLUMNS = ["NossoNumero", "SeuNumero", "NumeroDocumento", "Carteira", "Ocorrencia", "Especie", "Aceite",
               "DataVencimento", "DataDocumento", "DataDesconto", "ValorDocumento", "ValorMoraJuros",
               "ValorDesconto", "ValorIOF", "ValorAbatimento", "SacadoInscricao", "SacadoCPFCGC", "SacadoNome",
               "Rua", "Numero", "Complemento", "Bairro", "CEP", "Cidade", "Estado", "Instrucoes", "DataProtesto"]


def digits(rng, lo, hi):
    return "".join(rng.choice("0123456789") for _ in range(rng.randint(lo, hi)))


def words(rng, n, plain):
    pool = PLAIN_WORDS if plain else WORDS
    return " ".join(rng.choice(pool) for _ in range(rng.randint(1, n)))


def day(rng, lo=2000, hi=2030):
    return datetime.date(rng.randint(lo, hi), rng.randint(1, 12), rng.randint(1, 28))


def cents_text(c):
    return "%d.%02d" % (c // 100, c % 100)


def random_title(rng, bank, plain, max_doc):
    persona = rng.random() < 0.5
    venc = day(rng)
    protest = None
    if rng.random() < 0.5:
        protest = venc + datetime.timedelta(days=rng.randint(0, 60))
    amounts = [rng.randint(0, max_doc)] + [rng.randint(0, 9_999_999_999) for _ in range(4)]
    t = {
        "NossoNumero": digits(rng, 1, 7),
        "SeuNumero": digits(rng, 1, 10),
        "NumeroDocumento": digits(rng, 1, 10),
        "Carteira": digits(rng, 1, 1),
        "TipoOcorrencia": rng.choice(OCORRENCIAS),
        "EspecieDocumento": rng.choice(ESPECIES),
        "AceiteDocumento": rng.choice(["adSim", "adNao"]),
        "DataVencimento": venc.isoformat(),
        "DataDocumento": day(rng).isoformat(),
        "DataProcessamento": "2026-12-01" if plain else day(rng).isoformat(),
        "DataDesconto": day(rng).isoformat() if rng.random() < 0.5 else None,
        "DataProtesto": protest.isoformat() if protest else None,
        "ValorDocumento": cents_text(amounts[0]),
        "ValorMoraJuros": cents_text(amounts[1] // 10),
        "ValorDesconto": cents_text(amounts[2]),
        "ValorIOF": cents_text(amounts[3]),
        "ValorAbatimento": cents_text(amounts[4]),
        "Instrucoes": [words(rng, 6, plain) for _ in range(rng.randint(0, 3))],
        "Cedente": {
            "TipoInscricao": "tiPessoaJuridica",
            "NumeroCPFCGC": "12345678000199",
            "Nome": "Empresa Ação Comércio" if not plain else "EMPRESA ACAO COMERCIO",
            "CodigoCedente": "1234567",
            "DigitoCodigoCedente": "8",
            "ContaBancaria": {"Banco": {"Codigo": bank}, "CodigoAgencia": "1234", "DigitoAgencia": "5",
                              "NumeroConta": "98765", "DigitoConta": "1"},
        },
        "Sacado": {
            "TipoInscricao": "tiPessoaFisica" if persona else "tiPessoaJuridica",
            "NumeroCPFCGC": digits(rng, 11, 11) if persona else digits(rng, 14, 14),
            "Nome": words(rng, 5, plain),
            "Endereco": {"Rua": words(rng, 4, plain), "Numero": digits(rng, 1, 5),
                         "Complemento": words(rng, 2, plain), "Bairro": words(rng, 2, plain),
                         "Cidade": words(rng, 3, plain), "Estado": rng.choice(["SP", "RJ", "ES", "MG"]),
                         "CEP": digits(rng, 8, 8)},
        },
    }
    # Banks whose records hold a narrower agency or account, and Itau's own
    # account digit: values that fit, since a number that does not is refused.
    conta = t["Cedente"]["ContaBancaria"]
    if bank in ("033", "291"):
        conta["CodigoAgencia"] = "0034"
    if bank in ("353", "409"):
        conta["CodigoAgencia"] = "0234"
    if bank == "389":
        conta["NumeroConta"] = "08765"
    if bank == "341":
        conta["DigitoConta"] = "7"
    return t, amounts


def tsv_line(t):
    s, e = t["Sacado"], t["Sacado"]["Endereco"]
    codes_o = {"toRemessaRegistrar": "01", "toRemessaConcederAbatimento": "04", "toRemessaProtestar": "09"}
    values = [t["NossoNumero"], t["SeuNumero"], t["NumeroDocumento"], t["Carteira"],
              codes_o[t["TipoOcorrencia"]], t["EspecieDocumento"], "A" if t["AceiteDocumento"] == "adSim" else "N",
              t["DataVencimento"] or "", t["DataDocumento"] or "", t["DataDesconto"] or ""]
    for k in ["ValorDocumento", "ValorMoraJuros", "ValorDesconto", "ValorIOF", "ValorAbatimento"]:
        values.append(t[k].replace(".", ""))
    values += ["01" if s["TipoInscricao"] == "tiPessoaFisica" else "02", s["NumeroCPFCGC"], s["Nome"],
               e["Rua"], e["Numero"], e["Complemento"], e["Bairro"], e["CEP"], e["Cidade"], e["Estado"],
               "  ".join(t["Instrucoes"]), t["DataProtesto"] or ""]
    return "\t".join(values)


def make(bank, count, seed, plain=False):
    """The batch document and the generated ValorDocumento cents of each title."""
    rng = random.Random(seed)
    titles, cents = [], []
    # Face values stay within what the narrowest field (ten digits) and the
    # narrowest trailer total (thirteen digits) can carry.
    max_doc = min(9_999_999_999, (10 ** 13 - 1) // max(count, 1))
    for _ in range(count):
        t, amounts = random_title(rng, bank, plain, max_doc)
        titles.append(t)
        cents.append(amounts[0])
    batch = {"NumeroArquivo": rng.randint(1, 999), "DataArquivo": day(rng).isoformat(),
             "LayoutArquivo": "laCNAB400", "Titulos": titles}
    return batch, cents


def main(argv):
    if len(argv) < 5:
        sys.exit(__doc__)
    bank, count, seed, out = argv[1], int(argv[2]), int(argv[3]), argv[4]
    tsv = argv[argv.index("--tsv") + 1] if "--tsv" in argv else None
    batch, _ = make(bank, count, seed, "--plain" in argv)
    with open(out, "w", encoding="utf-8") as f:
        json.dump(batch, f, ensure_ascii=False, separators=(",", ":"))
    if tsv:
        with open(tsv, "w", encoding="utf-8") as f:
            for t in batch["Titulos"]:
                f.write(tsv_line(t) + "\n")


if __name__ == "__main__":
    main(sys.argv)
