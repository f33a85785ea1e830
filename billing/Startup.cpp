#include "billing/Startup.h"

#include "billing/PluginClasses.h"
#include "billing/cbBancos.h"
#include "billing/cbCob001.h"
#include "billing/cbCob021.h"
#include "billing/cbCob033.h"
#include "billing/cbCob038.h"
#include "billing/cbCob104.h"
#include "billing/cbCob151.h"
#include "billing/cbCob237.h"
#include "billing/cbCob244.h"
#include "billing/cbCob275.h"
#include "billing/cbCob291.h"
#include "billing/cbCob320.h"
#include "billing/cbCob341.h"
#include "billing/cbCob347.h"
#include "billing/cbCob353.h"
#include "billing/cbCob356.h"
#include "billing/cbCob389.h"
#include "billing/cbCob394.h"
#include "billing/cbCob399.h"
#include "billing/cbCob409.h"
#include "billing/cbCob422.h"
#include "billing/cbCob479.h"
#include "billing/cbCob745.h"
#include "billing/cbcob748.h"
#include "billing/cbCob999.h"

#include <utility>

namespace billing {

namespace {

// The unit start-up table: each bank's plug-in class, attached to its row of
// the engine's bank table by code.
constexpr std::pair<std::string_view, TClass (*)()> kPlugins[] = {
    {"001", &TcbBanco001::StaticClass},
    {"021", &TcbBanco021::StaticClass},
    {"033", &TcbBanco033::StaticClass},
    {"038", &TcbBanco038::StaticClass},
    {"104", &TcbBanco104::StaticClass},
    {"151", &TcbBanco151::StaticClass},
    {"237", &TcbBanco237::StaticClass},
    {"244", &TcbBanco244::StaticClass},
    {"275", &TcbBanco275::StaticClass},
    {"291", &TcbBanco291::StaticClass},
    {"320", &TcbBanco320::StaticClass},
    {"341", &TcbBanco341::StaticClass},
    {"347", &TcbBanco347::StaticClass},
    {"353", &TcbBanco353::StaticClass},
    {"356", &TcbBanco356::StaticClass},
    {"389", &TcbBanco389::StaticClass},
    {"394", &TcbBanco394::StaticClass},
    {"399", &TcbBanco399::StaticClass},
    {"409", &TcbBanco409::StaticClass},
    {"422", &TcbBanco422::StaticClass},
    {"479", &TcbBanco479::StaticClass},
    {"745", &TcbBanco745::StaticClass},
    {"748", &TcbBanco748::StaticClass},
    {"999", &TcbBanco999::StaticClass},
};

}  // namespace

void unit_startup() {
    for (const auto& [code, plugin] : kPlugins) register_plugin_class(plugin(), bank_row(code).unit);
}

void unit_shutdown() {}

}  // namespace billing
