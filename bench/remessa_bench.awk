# Prints the CNAB 400 remittance of bank 001 or 237 with fixed-width printf:
# the same fields billing-tool writes from the same titles. The titles are
# those of tests/make_remessa_batch.py --plain, read from the JSON batch
# itself (input=json: each title's keys and values split apart) or from its
# --tsv file (input=tsv: one title a line, already split).
# Variables: bank, input, numero (NumeroArquivo), data (DataArquivo, YYYY-MM-DD).

function ddmmyy(d, zero) { return d == "" ? zero : substr(d, 9, 2) substr(d, 6, 2) substr(d, 3, 2) }
function l0(s, w) { s = substr(s, 1, w); return s substr(ZEROS, 1, w - length(s)) }
function r0(s, w) { return length(s) >= w ? substr(s, length(s) - w + 1) : substr(ZEROS, 1, w - length(s)) s }
function dv237(carteira, nosso,    t, i, sum, weight, r) {
    t = r0(carteira, 2) r0(nosso, 11)
    sum = 0; weight = 2
    for (i = length(t); i >= 1; i--) { sum += substr(t, i, 1) * weight; if (++weight > 7) weight = 2 }
    r = sum % 11
    return r == 1 ? "P" : r == 0 ? "0" : 11 - r
}

function cents(text) { sub(/\./, "", text); return text }

# Sets $1..$26 from one title of the JSON batch (the text after its
# {"NossoNumero":). The plain titles hold no quote, comma, colon or brace
# inside their texts, so splitting at those leaves keys and values in turn;
# the keys of the payer's part are prefixed with "S.".
function from_json(rec,    m, parts, tok, F, ins, n, i, k, v, prefix) {
    ins = ""
    if (match(rec, /"Instrucoes":\[([^]]*)\],/, m)) {
        if (m[1] != "") {
            n = split(substr(m[1], 2, length(m[1]) - 2), parts, /","/)
            for (i = 1; i <= n; i++) ins = ins (i > 1 ? "  " : "") parts[i]
        }
        rec = substr(rec, 1, RSTART - 1) substr(rec, RSTART + RLENGTH)
    }
    n = split("{\"NossoNumero\":" rec, tok, /"?[][,:{}]+"?/)
    prefix = ""
    for (i = 1; i <= n; i++) {
        k = tok[i]
        if (k == "") continue
        if (k in OBJECTS) {
            if (k == "Sacado") prefix = "S."
            continue
        }
        v = tok[++i]
        F[prefix k] = v == "null" ? "" : v
    }
    $0 = F["NossoNumero"] "\t" F["SeuNumero"] "\t" F["NumeroDocumento"] "\t" F["Carteira"] "\t" \
         O[F["TipoOcorrencia"]] "\t" F["EspecieDocumento"] "\t" (F["AceiteDocumento"] == "adSim" ? "A" : "N") "\t" \
         F["DataVencimento"] "\t" F["DataDocumento"] "\t" F["DataDesconto"] "\t" \
         cents(F["ValorDocumento"]) "\t" cents(F["ValorMoraJuros"]) "\t" cents(F["ValorDesconto"]) "\t" \
         cents(F["ValorIOF"]) "\t" cents(F["ValorAbatimento"]) "\t" \
         (F["S.TipoInscricao"] == "tiPessoaFisica" ? "01" : "02") "\t" F["S.NumeroCPFCGC"] "\t" F["S.Nome"] "\t" \
         F["S.Rua"] "\t" F["S.Numero"] "\t" F["S.Complemento"] "\t" F["S.Bairro"] "\t" F["S.CEP"] "\t" \
         F["S.Cidade"] "\t" F["S.Estado"] "\t" ins
}

BEGIN {
    FS = "\t"
    if (input == "json") RS = "[{]\"NossoNumero\":"
    split("Cedente ContaBancaria Banco Sacado Endereco", names, " ")
    for (i in names) OBJECTS[names[i]] = 1
    O["toRemessaRegistrar"] = "01"; O["toRemessaConcederAbatimento"] = "04"; O["toRemessaProtestar"] = "09"
    ZEROS = sprintf("%0400d", 0)
    E["edDuplicataMercantil"] = "01"; E["edNotaPromissoria"] = "02"; E["edRecibo"] = "05"; E["edLetraCambio"] = "08"
    E["edWarrant"] = "09"; E["edCheque"] = "10"; E["edDuplicataServico"] = "12"; E["edOutros"] = "99"
}

input == "json" && NR == 1 { next }  # the batch's fields before its first title
input == "json" { from_json($0) }

++titles == 1 {
    if (bank == "001")
        printf "01REMESSA01COBRANCA       %4s%1s%-15.15s%-30.30s001BANCO DO BRASIL011226%07d%287s000001\r\n",
            "1234", "5", "1234567", "EMPRESA ACAO COMERCIO", numero, ""
    else
        printf "01REMESSA01COBRANCA       000%s012340098765%1s%-30.30s237BRADESCO       %s%8sMX%07d%277s000001\r\n",
            r0($4, 4), "1", "EMPRESA ACAO COMERCIO", ddmmyy(data), "", numero, ""
}

{
    especie = ($6 in E) ? E[$6] : "00"
    if (bank == "001")
        printf "10212345678000199123451234567        %-25.25s%s    AI 019%013d     %-2.2s%s%-10.10s%s%013d00100000%s%s%s0000%013d%s%013d%013d%013d%s%s%-37.37s   %-37.37s               %s%-15.15s%2.2s%43s%06d\r\n",
            "8", l0($1, 16), 0, $4, $5, $3, ddmmyy($8), $11, especie, $7, ddmmyy($9, "301299"), $12,
            ddmmyy($10, "000000"), $13, $14, $15, $16, r0($17, 14), $18, $19 " " $20 " " $21, l0($23, 8), $24, $25,
            "", titles + 1
    else
        printf "1" "00000000000000000000" "%s012340098765%1s%-25.25s23700000%s%s00000000001N           2  01%-10.10s%s%013d2370000005N%s    0000000000000      000000000000000000000000000000000000000%s%s%-40.40s%-40.40s            %s%-60.60s%06d\r\n",
            r0($4, 3), "1", $2, r0($1, 11), dv237($4, $1), $2, ddmmyy($8), $11, ddmmyy($9, "301299"), $16,
            r0($17, 14), $18, $19 " " $20 " " $21 " " $22 " " $24 " " $25, l0($23, 8), $26, titles + 1
}

END { printf "9%393s%06d\r\n", "", titles + 2 }
