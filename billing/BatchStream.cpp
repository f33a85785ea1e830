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

// SAX events of the batch document: fields of the root object are gathered
// whole; each element of its "Titulos" list is built as a small document and
// handed on as soon as it closes.
class BatchSax {
public:
    BatchSax(const ModelProfile& profile, TcbCobranca& batch, json& known, const BatchFieldsHandler& on_fields,
             const TitleHandler& on_title)
        : profile_(profile), batch_(batch), known_(known), on_fields_(on_fields), on_title_(on_title) {}

    BatchStreamResult result;

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

    void finish() {
        apply_fields();
        on_fields_(batch_);
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
            if (!started_) {
                started_ = true;
                apply_fields();
                on_fields_(batch_);
            }
            TcbTitulo title(profile_);
            titulo_da_lista(v, result.titles, title);
            on_title_(title, result.titles++);
            return;
        }
        if (root_key_ == "Titulos") throw Exception("Valor inválido em \"Titulos\": esperada lista de títulos");
        if (!known_.contains(root_key_)) {
            if (started_) result.fields_after_titles = true;
            known_[root_key_] = std::move(v);
        }
    }

    void apply_fields() {
        json fields = known_;
        fields.erase("Titulos");
        cobranca_from_json(fields, batch_, profile_);
    }

    const ModelProfile& profile_;
    TcbCobranca& batch_;
    json& known_;
    const BatchFieldsHandler& on_fields_;
    const TitleHandler& on_title_;
    static constexpr int kMaxNesting = 64;
    int nesting_ = 0;  // objects and lists open
    int depth_ = 0;  // 1 inside the root object, 2 inside its title list
    bool in_titles_ = false;
    bool started_ = false;
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

}  // namespace

BatchStreamResult read_batch_stream(std::istream& in, const ModelProfile& profile, TcbCobranca& batch, json& known,
                                    const BatchFieldsHandler& on_fields, const TitleHandler& on_title) {
    if (!known.is_object()) known = json::object();
    BatchSax sax(profile, batch, known, on_fields, on_title);
    BlockReader reader(in);
    json::sax_parse(reader.begin(), BlockReader::end(), &sax);
    sax.finish();
    return sax.result;
}

}  // namespace billing
