#pragma once
// The printable controls of the report engine. Headers by class:
//   BRPrintableSize.h    position and size of a printable control
//   BRPrintable.h        the printable control base
//   BRPrintableEditor.h  the base of the controls' design editors
//   BRCustomLabel.h      the text control (line breaking: BRLineBreak.h)
//   BRLabel.h            the static text control
//   BRExprControl.h      the expression control
//   BRShape.h            the shape control

#include "report/controls/BRCustomLabel.h"
#include "report/controls/BRExprControl.h"
#include "report/controls/BRLabel.h"
#include "report/controls/BRPrintable.h"
#include "report/controls/BRPrintableEditor.h"
#include "report/controls/BRPrintableSize.h"
#include "report/controls/BRShape.h"

namespace report {
// Registers TBRLabel, TBRExpr and TBRShape (and the classes they store) for
// form resources; UnregisterControlClasses takes them back.
void RegisterControlClasses();
void UnregisterControlClasses();
}  // namespace report
