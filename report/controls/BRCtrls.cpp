#include "report/controls/BRCtrls.h"
