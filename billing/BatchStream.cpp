#include "billing/BatchStream.h"

#include "billing/TitleJson.h"

#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

using nlohmann::json;

namespace billing {

namespace {

// What a reading of the batch keeps besides the document: the batch fields
// found, the first-title hook and the count of titles.
class BatchState {
public:
    BatchState(const ModelProfile& profile, TcbCobranca& batch, json& known, const BatchFieldsHandler& on_fields,
               const TitleHandler& on_title)
        : profile(profile), batch_(batch), known_(known), on_fields_(on_fields), on_title_(on_title) {}

    const ModelProfile& profile;
    BatchStreamResult result;

    // A whole batch field other than the titles.
    void field(const std::string& key, json v) {
        if (!known_.contains(key)) {
            if (started_) result.fields_after_titles = true;
            known_[key] = std::move(v);
        }
    }

    // Before the first title is converted (once its text is known to be sound).
    void before_title() {
        if (started_) return;
        started_ = true;
        apply_fields();
        on_fields_(batch_);
    }

    // The next title of the list, parsed: converted and handed on.
    void title(const json& v) {
        before_title();
        TcbTitulo title(profile);
        titulo_da_lista(v, result.titles, title);
        on_title_(title, result.titles++);
    }

    // The next title, already read.
    void title(const TcbTitulo& t) {
        before_title();
        on_title_(t, result.titles++);
    }

    void finish() {
        apply_fields();
        on_fields_(batch_);
    }

private:
    void apply_fields() {
        json fields = known_;
        fields.erase("Titulos");
        cobranca_from_json(fields, batch_, profile);
    }

    TcbCobranca& batch_;
    json& known_;
    const BatchFieldsHandler& on_fields_;
    const TitleHandler& on_title_;
    bool started_ = false;
};

// SAX events of the batch document: fields of the root object are gathered
// whole; each element of its "Titulos" list is built as a small document and
// handed on as soon as it closes.
// The deepest nesting of objects and lists a batch may have.
constexpr int kMaxNesting = 64;

class BatchSax {
public:
    explicit BatchSax(BatchState& state) : state_(state) {}

    bool null() { return value(json(nullptr)); }
    bool boolean(bool v) { return value(json(v)); }
    bool number_integer(json::number_integer_t v) { return value(json(v)); }
    bool number_unsigned(json::number_unsigned_t v) { return value(json(v)); }
    bool number_float(json::number_float_t v, const std::string&) { return value(json(v)); }
    bool string(std::string& v) { return value(json(std::move(v))); }
    bool binary(json::binary_t&) { throw Exception("Lote de títulos inválido: dados binários"); }

    bool key(std::string& k) {
        if (stack_.empty() && depth_ == 1) {
            if (!root_keys_.insert(k).second) duplicate(k);
            root_key_ = k;
        } else {
            // The slot of the value to come, null until it is read.
            auto [slot, added] = stack_.back()->get_ref<json::object_t&>().emplace(std::move(k), nullptr);
            if (!added) duplicate(slot->first);
            slot_ = &slot->second;
        }
        return true;
    }

    bool start_object(std::size_t) {
        deeper();
        return open(json::object());
    }
    bool start_array(std::size_t) {
        deeper();
        if (stack_.empty() && depth_ == 1 && root_key_ == "Titulos") {
            depth_ = 2;
            in_titles_ = true;
            return true;
        }
        return open(json::array());
    }
    bool end_object() {
        --nesting_;
        return close();
    }
    bool end_array() {
        --nesting_;
        if (stack_.empty() && in_titles_) {
            in_titles_ = false;
            depth_ = 1;
            return true;
        }
        return close();
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        throw Exception(std::string("Lote de títulos com JSON inválido: ") + e.what());
    }

private:
    // A batch nests six levels deep (batch, list, title, payee, account,
    // bank); values nested far deeper are refused before they are built, as
    // copying or checking them would recurse once a level.
    void deeper() {
        if (++nesting_ > kMaxNesting) {
            throw Exception(Format("Lote de títulos inválido: mais de %d níveis de objetos e listas", {kMaxNesting}));
        }
    }

    [[noreturn]] static void duplicate(const std::string& k) {
        throw Exception("Chave repetida no JSON: \"" + k + "\"");
    }

    bool open(json container) {
        if (depth_ == 0) {
            if (!container.is_object()) throw Exception("Lote de títulos inválido: esperado um objeto com \"Titulos\"");
            depth_ = 1;
            return true;
        }
        if (stack_.empty()) {
            current_ = std::move(container);
            stack_.push_back(&current_);
        } else {
            json& top = *stack_.back();
            json* child = nullptr;
            if (top.is_object()) {
                child = &(*slot_ = std::move(container));
            } else {
                top.push_back(std::move(container));
                child = &top.back();
            }
            stack_.push_back(child);
        }
        return true;
    }

    bool close() {
        if (stack_.empty()) return true;  // the root object
        stack_.pop_back();
        if (stack_.empty()) complete(std::move(current_));
        return true;
    }

    bool value(json v) {
        if (depth_ == 0) throw Exception("Lote de títulos inválido: esperado um objeto com \"Titulos\"");
        if (stack_.empty()) {
            complete(std::move(v));
        } else if (json& top = *stack_.back(); top.is_object()) {
            *slot_ = std::move(v);
        } else {
            top.push_back(std::move(v));
        }
        return true;
    }

    // A whole value at the root (a batch field) or in the title list.
    void complete(json v) {
        if (in_titles_) {
            state_.title(v);
            return;
        }
        if (root_key_ == "Titulos") throw Exception("Valor inválido em \"Titulos\": esperada lista de títulos");
        state_.field(root_key_, std::move(v));
    }

    BatchState& state_;
    int nesting_ = 0;  // objects and lists open
    int depth_ = 0;  // 1 inside the root object, 2 inside its title list
    bool in_titles_ = false;
    std::string root_key_;
    std::set<std::string> root_keys_;
    json* slot_ = nullptr;  // in the innermost open object, the value of the last key
    json current_;
    std::vector<json*> stack_;
};

// The bytes of a stream read in large blocks, for the parser to take one at a
// time without a stream call per byte. Copies of an iterator share the reader;
// the parser reads forward only.
class BlockReader {
public:
    explicit BlockReader(std::istream& in) : in_(in), block_(1 << 16) {}

    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = char;
        using difference_type = std::ptrdiff_t;
        using pointer = const char*;
        using reference = const char&;

        iterator() = default;
        explicit iterator(BlockReader* r) : r_(r) {}
        const char& operator*() const { return *r_->at_; }
        iterator& operator++() {
            ++r_->at_;
            return *this;
        }
        // Only the end iterator is ever compared against.
        bool operator==(const iterator& end) const { return r_ == end.r_ || !r_->fill(); }

    private:
        BlockReader* r_ = nullptr;
    };

    iterator begin() { return iterator(this); }
    static iterator end() { return iterator(); }

private:
    // True when a byte is ready at at_.
    bool fill() {
        if (at_ != last_) return true;
        in_.read(block_.data(), static_cast<std::streamsize>(block_.size()));
        at_ = block_.data();
        last_ = at_ + in_.gcount();
        return at_ != last_;
    }

    std::istream& in_;
    std::vector<char> block_;
    const char* at_ = nullptr;
    const char* last_ = nullptr;
};


// Thrown when the fast reading meets what it leaves to the SAX reading: the
// caller reads the document again from its start.
struct ReadExactly {};

// The batch document read from blocks of its bytes without a parser's
// events: each title's text is cut from the list by its brackets and read
// straight into a title (titulo_from_json_text); a title that reading
// leaves, and every batch field, is parsed alone with nlohmann's parser and
// converted as the SAX reading converts it. What would make the SAX reading
// fail on the document's text (malformed JSON, a repeated batch field, too
// deep a nesting, a list of titles that is no list) is never worded here:
// ReadExactly hands the document to the SAX reading, which words it.
class FastBatch {
public:
    FastBatch(std::istream& in, BatchState& state) : in_(in), state_(state), buffer_(kBlock) {}

    void read() {
        blanks();
        if (peek() != '{') throw ReadExactly{};
        ++pos_;
        blanks();
        if (peek() == '}') {
            ++pos_;
        } else {
            std::set<std::string, std::less<>> keys;
            for (;;) {
                const std::string key = root_key();
                if (!keys.insert(key).second) throw ReadExactly{};
                blanks();
                if (peek() != ':') throw ReadExactly{};
                ++pos_;
                blanks();
                if (key == "Titulos") {
                    if (peek() != '[') throw ReadExactly{};
                    ++pos_;
                    titles();
                } else {
                    const std::string_view text = value(1);
                    state_.field(key, parse(text));
                    pos_ += text.size();
                }
                blanks();
                const int c = peek();
                ++pos_;
                if (c == ',') {
                    blanks();
                    continue;
                }
                if (c != '}') throw ReadExactly{};
                break;
            }
        }
        blanks();
        if (peek() != kEnd) throw ReadExactly{};
    }

private:
    static constexpr std::size_t kBlock = std::size_t(1) << 20;
    static constexpr std::size_t kLongestCut = std::size_t(16) << 20;
    static constexpr int kEnd = -1;

    // The titles of the list, up to its closing bracket.
    void titles() {
        blanks();
        if (peek() == ']') {
            ++pos_;
            return;
        }
        for (;;) {
            title();
            blanks();
            const int c = peek();
            ++pos_;
            if (c == ',') {
                blanks();
                continue;
            }
            if (c != ']') throw ReadExactly{};
            return;
        }
    }

    // The title at pos_, read straight from the bytes read so far when it
    // can be; its text is cut out whole (reading more) when that reading
    // leaves it or the title runs past those bytes.
    void title() {
        {
            TcbTitulo t(state_.profile);
            std::size_t used = 0;
            if (titulo_from_json_text(std::string_view(buffer_.data() + pos_, end_ - pos_), t, &used)) {
                state_.title(t);
                pos_ += used;
                return;
            }
        }
        const std::string_view text = value(2);
        {
            TcbTitulo t(state_.profile);
            if (titulo_from_json_text(text, t)) {
                state_.title(t);
                pos_ += text.size();
                return;
            }
        }
        state_.title(parse(text));
        pos_ += text.size();
    }

    // One value parsed alone, repeated keys refused as the SAX reading
    // refuses them; text the parser refuses goes to the SAX reading.
    static json parse(std::string_view text) {
        try {
            return parse_json(text);
        } catch (const json::exception&) {
            throw ReadExactly{};
        }
    }

    // A batch field's name: a plain string.
    std::string root_key() {
        if (peek() != '"') throw ReadExactly{};
        const std::string_view text = value(1);
        const std::string_view inner = text.substr(1, text.size() - 2);
        for (char c : inner) {
            if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80) {
                throw ReadExactly{};
            }
        }
        pos_ += text.size();
        return std::string(inner);
    }

    // The text of the value at pos_ (which stays where it is), whole in the
    // buffer: a string to its closing quote, an object or list to its
    // closing bracket, anything else to the next delimiter. `depth` is the
    // nesting the value starts in.
    std::string_view value(int depth) {
        for (std::size_t scanned = 0;;) {
            const char* from = buffer_.data() + pos_;
            const char* to = buffer_.data() + end_;
            const std::size_t n = extent(from, to, depth);
            if (n != 0) return std::string_view(from, n);
            if (std::size_t(to - from) == scanned && !more()) throw ReadExactly{};  // the document ends inside it
            scanned = end_ - pos_;
        }
    }

    // The length of the value at `from`, 0 when it runs past `to`.
    static std::size_t extent(const char* from, const char* to, int depth) {
        if (from == to) return 0;
        const char* p = from;
        if (*p == '"') {
            for (++p; p < to; ++p) {
                if (*p == '\\') {
                    ++p;
                } else if (*p == '"') {
                    return std::size_t(p + 1 - from);
                }
            }
            return 0;
        }
        if (*p != '{' && *p != '[') {
            while (p < to && *p != ',' && *p != '}' && *p != ']' && *p != ' ' && *p != '\n' && *p != '\r' &&
                   *p != '\t') {
                ++p;
            }
            return p < to ? std::size_t(p - from) : 0;
        }
        int open = 0;
        for (; p < to; ++p) {
            switch (*p) {
                case '"':
                    for (++p; p < to && *p != '"'; ++p) {
                        if (*p == '\\') ++p;
                    }
                    if (p >= to) return 0;
                    break;
                case '{':
                case '[':
                    if (depth + ++open > kMaxNesting) throw ReadExactly{};
                    break;
                case '}':
                case ']':
                    if (--open == 0) return std::size_t(p + 1 - from);
                    break;
                default:
                    break;
            }
        }
        return 0;
    }

    void blanks() {
        for (;;) {
            while (pos_ < end_) {
                const char c = buffer_[pos_];
                if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
                ++pos_;
            }
            if (!more()) return;
        }
    }

    int peek() {
        if (pos_ == end_ && !more()) return kEnd;
        return static_cast<unsigned char>(buffer_[pos_]);
    }

    // Reads more bytes after those kept from pos_ on; false at the end.
    bool more() {
        if (pos_ > 0) {
            std::copy(buffer_.begin() + std::ptrdiff_t(pos_), buffer_.begin() + std::ptrdiff_t(end_), buffer_.begin());
            end_ -= pos_;
            pos_ = 0;
        }
        if (end_ == buffer_.size()) {
            // One value longer than a block. Past a bound it is left to the
            // SAX reading: a value that never ends (a bracket missing) would
            // otherwise hold the rest of the document.
            if (buffer_.size() >= kLongestCut) throw ReadExactly{};
            buffer_.resize(buffer_.size() * 2);
        }
        in_.read(buffer_.data() + end_, std::streamsize(buffer_.size() - end_));
        const std::size_t got = std::size_t(in_.gcount());
        end_ += got;
        return got > 0;
    }

    std::istream& in_;
    BatchState& state_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0;
};

}  // namespace

BatchStreamResult read_batch_stream(std::istream& in, const ModelProfile& profile, TcbCobranca& batch, json& known,
                                    const BatchFieldsHandler& on_fields, const TitleHandler& on_title) {
    if (!known.is_object()) known = json::object();
    BatchState state(profile, batch, known, on_fields, on_title);
    BatchSax sax(state);
    BlockReader reader(in);
    json::sax_parse(reader.begin(), BlockReader::end(), &sax);
    state.finish();
    return state.result;
}

}  // namespace billing

namespace billing {

bool read_batch_fast(std::istream& in, const ModelProfile& profile, TcbCobranca& batch, json& known,
                     const BatchFieldsHandler& on_fields, const TitleHandler& on_title, BatchStreamResult& result) {
    if (!known.is_object()) known = json::object();
    const json known_before = known;
    BatchState state(profile, batch, known, on_fields, on_title);
    try {
        FastBatch(in, state).read();
    } catch (const ReadExactly&) {
        known = known_before;
        return false;
    }
    state.finish();
    result = state.result;
    return true;
}

}  // namespace billing
