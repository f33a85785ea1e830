#pragma once
// The client title models: every client copy of the title model, full or
// partial, as a row of the engine's profile table (billing/ModelProfile.h).
// The rows are the clients' only knowledge of the model; the engine's table
// names no client. The folder's unit start-up registers them.

#include "billing/ModelProfile.h"

#include <span>

namespace billing::clients {

// Every client model unit, one row each.
std::span<const ModelProfile> client_models();

}  // namespace billing::clients
