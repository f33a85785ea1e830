#pragma once
// The bank code of billing-tool's --bank option.

#include "platform/core/SysUtils.h"

#include <string>

namespace billing::tool {

// A bank code as the user gives it: one to three digits ("1" is bank 001).
// Anything else would reach another bank through the code setter's cut.
inline std::string bank_code(const std::string& s) {
    const bool digits = !s.empty() && s.size() <= 3 && s.find_first_not_of("0123456789") == std::string::npos;
    if (!digits) throw Exception("Código de banco inválido: \"" + s + "\" (esperados até 3 dígitos)");
    return s;
}

}  // namespace billing::tool
