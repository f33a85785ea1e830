#include "billing/clients/FamilyClass.h"

#include "platform/core/SysUtils.h"

namespace billing::clients {

const ModelProfile& family_model(std::string_view unit) {
    if (unit.empty()) return engine_profile();
    const ModelProfile* p = find_model_profile(unit);
    if (p == nullptr) throw Exception("Modelo de títulos não registrado: " + std::string(unit));
    return *p;
}

}  // namespace billing::clients
