#include "platform/data/Startup.h"

#include "platform/data/ADODB.h"

namespace data {

void unit_startup() { RegisterClasses({TADOConnection::StaticClass(), TADOQuery::StaticClass()}); }

void unit_shutdown() {
    UnRegisterClass(TADOQuery::StaticClass());
    UnRegisterClass(TADOConnection::StaticClass());
}

}  // namespace data
