#pragma once
// A TZip that records every error it reports, for tests that check the codes.

#include <string>
#include <vector>

#include "archive/arcZip.h"

namespace archive_test {

struct Report {
    std::string file, ext;
    int code;
};

struct Zip : archive::TZip {
    std::vector<Report> errors;
    Zip() {
        OnError = [this](archive::TZipCommon&, const std::string& f, const std::string& x, const std::string&,
                         int c) { errors.push_back({f, x, c}); };
    }
    std::vector<int> codes() const {
        std::vector<int> out;
        for (const auto& e : errors) out.push_back(e.code);
        return out;
    }
};

}  // namespace archive_test
