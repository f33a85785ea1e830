#pragma once
// Unit start-up of the boleto engine: registers each bank plug-in class by
// name, once. Nothing is ever unregistered; shut-down does nothing.

namespace billing {

void unit_startup();
void unit_shutdown();

}  // namespace billing
