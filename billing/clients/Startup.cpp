#include "billing/clients/Startup.h"

#include "billing/clients/BoletoOnlyClasses.h"
#include "billing/clients/BradescoFamily.h"
#include "billing/clients/ClientModels.h"
#include "billing/clients/SicrediFamily.h"
#include "billing/clients/UnibancoFamily.h"

namespace billing::clients {

void unit_startup() {
    register_model_profiles(client_models());
    sicredi::register_classes();
    register_boleto_only_classes();
    register_unibanco_family();
    register_bradesco_family();
}

void unit_shutdown() {}

}  // namespace billing::clients
