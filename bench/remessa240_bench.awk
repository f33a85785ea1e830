# Prints the CNAB 240 remittance of bank 001 or 104 with fixed-width printf:
# the same records billing-tool remessa --layout 240 writes from the same
# titles, read from the --tsv file of tests/make_remessa_batch.py --plain
# (one title a line, already split; column 27 is the protest date).
# Variables: bank, numero (NumeroArquivo), data (DataArquivo, YYYY-MM-DD).

function ddmmyyyy(d, zero) { return d == "" ? zero : substr(d, 9, 2) substr(d, 6, 2) substr(d, 1, 4) }
function l0(s, w) { s = substr(s, 1, w); return s substr(ZEROS, 1, w - length(s)) }
function r0(s, w) { return length(s) >= w ? substr(s, length(s) - w + 1) : substr(ZEROS, 1, w - length(s)) s }
function day(d) { return int(mktime(substr(d, 1, 4) " " substr(d, 6, 2) " " substr(d, 9, 2) " 12 00 00") / 86400 + 0.5) }
# Modulo 11, weights 2 to 9 rising from the right; remainders 0 and 1 give 0.
function dv(t,    i, sum, weight, r) {
    sum = 0; weight = 2
    for (i = length(t); i >= 1; i--) { sum += substr(t, i, 1) * weight; if (++weight > 9) weight = 2 }
    r = sum % 11
    return r < 2 ? 0 : 11 - r
}

BEGIN {
    FS = "\t"
    ZEROS = sprintf("%0240d", 0)
    E["edDuplicataMercantil"] = "02"; E["edNotaPromissoria"] = "12"; E["edRecibo"] = "17"; E["edCheque"] = "01"
    E["edDuplicataServico"] = "04"; E["edMensalidadeEscolar"] = "21"; E["edLetraCambio"] = "07"
    caixa = bank == "104"
    conta = "01234" "5" "000000098765" "1"
    digito = caixa ? dv("01234" "000000098765") : " "
    cedente = caixa ? "1234" r0("1234567", 11) "8    " : r0("1234567", 20)
    nome = sprintf("%-30.30s", "EMPRESA ACAO COMERCIO")
    printf "%s00000         212345678000199%s%s%s%s%-30.30s          1%s000000%06d03000000%40s%s\r\n",
        bank, cedente, conta, digito, nome, caixa ? "CAIXA ECONOMICA FEDERAL" : "BANCO DO BRASIL", ddmmyyyy(data),
        numero, "", caixa ? sprintf("%29s", "") : sprintf("%11sCSP0  %12s", "", "")
    printf "%s00011R0100020 2012345678000199%s%s%s%s%80s%08d%s%s%33s\r\n",
        bank, cedente, conta, digito, nome, "", numero, ddmmyyyy(data), caixa ? ddmmyyyy(data) : "0       ", ""
}

{
    n = NR - 1
    especie = ($6 in E) ? E[$6] : "99"
    protesto = "300"
    if ($27 != "" && day($27) > day($8)) protesto = sprintf("1%02d", day($27) - day($8))
    juros = $12 + 0 > 0; desconto = $13 + 0 > 0
    if (caixa)
        printf "10400013%05dP %s%s%s         %s112%s%s    %s%015d000000%s%s%s%s00000000%015d%s%s%015d%015d%015d%-25.25s%s200009%11s\r\n",
            2 * n + 1, $5, conta, digito, r0($1, 11), "22", r0($2, 11), ddmmyyyy($8), $11, especie, $7,
            ddmmyyyy($9, "30121899"), juros ? "1" : "4", $12, desconto ? "1" : "0",
            desconto && $10 != "" ? ddmmyyyy($10) : ddmmyyyy($8), $13, $14, $15, $2, protesto, ""
    else
        printf "00100013%05dP %s%s %s111%s%s%s%015d00000 %s%s%s%s00000000%015d%s%s%015d%015d%015d%-25.25s%s200009%11s\r\n",
            2 * n + 1, $5, conta, l0($1, 20), "22", r0($2, 15), ddmmyyyy($8), $11, especie, $7,
            ddmmyyyy($9, "30121899"), juros ? "1" : "0", $12, desconto ? "1" : "0",
            desconto && $10 != "" ? ddmmyyyy($10) : "00000000", $13, $14, $15, $2, protesto, ""
    printf "%s00013%05dQ %s%s%s%-40.40s%-40.40s%-15.15s%s%-15.15s%2.2s0000000000000000%71s\r\n",
        bank, 2 * n + 2, $5, $16 == "01" ? "1" : "2", r0($17, 15), $18, $19 " " $20 " " $21, $22, l0($23, 8), $24,
        $25, ""
}

END {
    n = NR
    printf "%s00015%9s%06d00000000000000000000000%23s00000000000000000000000%148s\r\n", bank, "", 2 * n + 2, "", ""
    printf "%s99999%9s000001%06d%211s\r\n", bank, "", 2 * n + 4, ""
}
