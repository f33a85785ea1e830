#pragma once
// Reads a JSON batch (the document of billing/TitleJson.h) one title at a
// time, so that a batch of any size is written without holding its titles.

#include "billing/cbCobranca.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <istream>

namespace billing {

// Called with the batch's fields read so far (Titulos still empty) before
// its first title, and once more at the end.
using BatchFieldsHandler = std::function<void(const TcbCobranca& batch)>;
// Called for each title, in list order, with its 0-based index.
using TitleHandler = std::function<void(const TcbTitulo& title, int index)>;

struct BatchStreamResult {
    int titles = 0;
    // A batch field came after the titles: the titles were handled with a
    // batch that lacked it, and the caller should read the document again
    // with `known` set to the fields this pass found.
    bool fields_after_titles = false;
};

// Reads the batch document from `in`. Fields already in `known` (from an
// earlier pass) are set before the first title. Malformed JSON, a document
// that is not a batch object and malformed titles raise Exception.
BatchStreamResult read_batch_stream(std::istream& in, const ModelProfile& profile, TcbCobranca& batch,
                                    nlohmann::json& known, const BatchFieldsHandler& on_fields,
                                    const TitleHandler& on_title);

// As read_batch_stream, faster, for a document that can be read again: false
// when the document holds what only read_batch_stream words or reads (then
// the handlers may have been called for part of it, and the caller reads the
// document again from its start with read_batch_stream, `known` as it was
// given). The handlers are called, and exceptions raised, exactly as
// read_batch_stream calls and raises them otherwise.
bool read_batch_fast(std::istream& in, const ModelProfile& profile, TcbCobranca& batch, nlohmann::json& known,
                     const BatchFieldsHandler& on_fields, const TitleHandler& on_title, BatchStreamResult& result);

}  // namespace billing
