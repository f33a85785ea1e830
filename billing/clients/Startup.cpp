#include "billing/clients/Startup.h"

#include "billing/clients/ClientModels.h"

namespace billing::clients {

void unit_startup() { register_model_profiles(client_models()); }

void unit_shutdown() {}

}  // namespace billing::clients
