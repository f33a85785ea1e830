#pragma once
// Unit start-up of the client plug-ins: registers the client title models
// with the engine's profile table, once, and the client bank classes
// with the plug-in registry (BoletoOnlyClasses.h). Nothing is ever unregistered;
// shut-down does nothing.

namespace billing::clients {

void unit_startup();
void unit_shutdown();

}  // namespace billing::clients
