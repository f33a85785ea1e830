#include "picture/Startup.h"

#include "picture/ClipIcon.h"
#include "picture/PicConst.h"
#include "picture/PicGIF.h"
#include "picture/PicTexts.h"

namespace picture {
void unit_startup() {
    core::register_texts(PictureTexts());
    PicConst_startup();
    ClipIcon_startup();
    PicGIF_startup();
}
void unit_shutdown() {
    PicGIF_shutdown();
    ClipIcon_shutdown();
    PicConst_shutdown();
    core::unregister_texts(PictureTexts());
}
}  // namespace picture
