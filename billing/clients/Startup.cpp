#include "billing/clients/Startup.h"

#include "billing/clients/BoletoOnlyClasses.h"
#include "billing/clients/ClientModels.h"

namespace billing::clients {

void unit_startup() {
    register_model_profiles(client_models());
    register_boleto_only_classes();
}

void unit_shutdown() {}

}  // namespace billing::clients
