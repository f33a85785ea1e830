#include "picture/Startup.h"

#include "picture/ClipIcon.h"
#include "picture/PicConst.h"
#include "picture/PicGIF.h"

namespace picture {
void unit_startup() {
    PicConst_startup();
    ClipIcon_startup();
    PicGIF_startup();
}
void unit_shutdown() {
    PicGIF_shutdown();
    ClipIcon_shutdown();
    PicConst_shutdown();
}
}  // namespace picture
