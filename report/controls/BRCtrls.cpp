#include "report/controls/BRCtrls.h"

namespace report {

void RegisterControlClasses() {
    RegisterClasses({TBRPrintableSize::StaticClass(), TBRPrintableEditor::StaticClass(), TBRLabel::StaticClass(),
                     TBRExpr::StaticClass(), TBRShape::StaticClass()});
}

void UnregisterControlClasses() {
    for (TClass cls : {TBRShape::StaticClass(), TBRExpr::StaticClass(), TBRLabel::StaticClass(),
                       TBRPrintableEditor::StaticClass(), TBRPrintableSize::StaticClass()})
        UnRegisterClass(cls);
}

}  // namespace report
