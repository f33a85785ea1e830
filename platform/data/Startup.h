#pragma once
// Unit start-up of the data-access components: registers TADOConnection and
// TADOQuery with the class registry (form resources create them by name).

namespace data {

void unit_startup();
void unit_shutdown();

}  // namespace data
