# Slices the fields that bench/retorno_bench.cpp prints from a CNAB 400
# return of bank 237 or 341 into TSV, without converting them.
#   LC_ALL=C gawk -v bank=237 -f bench/retorno_fields.awk FILE
BEGIN {
    OFS = "\t"
    if (bank == "237") {
        split("71 11|38 25|0 0|22 3|25 5|30 7|37 1|109 2|111 6|153 13|176 13|215 13|228 13|241 13|267 13|280 13|296 6|319 2|0 0", f, "|")
    } else {
        split("63 8|0 0|38 25|83 3|18 4|24 5|29 1|109 2|111 6|153 13|176 13|215 13|228 13|241 13|267 13|280 13|296 6|378 8|325 30", f, "|")
    }
    for (i = 1; i in f; i++) {
        split(f[i], p, " ")
        from[i] = p[1]
        len[i] = p[2]
    }
    n = i - 1
}
NR == 1 { next }
{ sub(/\r$/, "") }
substr($0, 1, 1) != "1" { next }
{
    line = ""
    for (i = 1; i <= n; i++) {
        line = line (i > 1 ? OFS : "") (len[i] ? substr($0, from[i], len[i]) : "")
    }
    print line
}
