#include "billing/cbRetornoCampos.h"

#include "platform/core/CodePages.h"

namespace billing::retorno {

std::string_view slice(std::string_view line, int from, int to) {
    const std::size_t start = std::size_t(from - 1);
    if (start >= line.size()) return {};
    return line.substr(start, std::size_t(to - from + 1));
}

namespace {

bool is_ascii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

void decode_into(std::string_view bytes, std::string& out) {
    if (is_ascii(bytes)) {
        out.assign(bytes);
    } else {
        out = core::to_utf8(bytes, core::CodePage::Windows1252);
    }
}

std::string decode(std::string_view bytes) {
    std::string s;
    decode_into(bytes, s);
    return s;
}

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

int integer(std::string_view raw) {
    int v = 0;
    if (TryStrToInt(raw, v)) return v;
    return StrToInt(decode(raw));  // raises with the text
}

Currency money(std::string_view raw) {
    if (all_digits(raw) && raw.size() <= 17) {
        std::int64_t cents = 0;
        for (char c : raw) cents = cents * 10 + (c - '0');
        return Currency::FromCents(cents);
    }
    double value = 0;
    if (!TryStrToFloat(raw, value)) value = StrToFloat(decode(raw));  // raises with the text
    return Currency::FromDouble(value / 100);
}

Currency money_or_zero(std::string_view raw) {
    if (all_digits(raw) && raw.size() <= 17) return money(raw);
    double value = 0;
    if (!TryStrToFloat(raw, value)) return Currency();
    return Currency::FromDouble(value / 100);
}

bool zero_test(std::string_view raw, int width) {
    if (all_digits(raw)) return raw.find_first_not_of('0') == std::string_view::npos;
    return Formatar(decode(raw), width, false, '0') == std::string(std::size_t(width), '0');
}

void name_line(Exception& e, std::uint64_t number) {
    e.SetMessage(e.Message() + Format(" na linha %d", {number}));
}

TTipoOcorrencia kind_of(const KindTable& table, int code) {
    for (const KindTable* t = &table; t != nullptr; t = t->fallback) {
        for (const KindRow& r : t->rows) {
            if (r.code == code) return r.kind;
            if (r.code > code) break;
        }
        if (t->fallback == nullptr) return t->other;
    }
    return toRetornoOutrasOcorrencias;
}

}  // namespace billing::retorno
