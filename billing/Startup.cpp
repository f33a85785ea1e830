#include "billing/Startup.h"

#include "billing/cbBancos.h"

namespace billing {

void unit_startup() {
    for (const BankRow& row : bank_table()) RegisterClass(row.plugin());
}

void unit_shutdown() {}

}  // namespace billing
