#include "platform/ui/Headless.h"

#include "platform/graphics/qt/QtCanvas.h"

namespace ui {

bool is_headless() { return graphics::qt::is_headless(); }

void prepare_platform() { graphics::qt::prepare_platform(); }

} // namespace ui
