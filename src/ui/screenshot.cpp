// Placeholder; the screenshot is being written.
#include "screenshot.h"

namespace tavro::ui {
void TakeScreenshot(const ScreenshotRequest&, const ScreenshotHooks&) {}
}  // namespace tavro::ui
