#include "editor/EditorZoom.h"

#include <algorithm>

#include "editor/Globals.h"
#include "platform/SystemScale.h"

int ValidZoom(int percent) { return percent == 0 ? 100 : std::clamp(percent, kMinZoom, kMaxZoom); }

double EditorScale(int zoomPercent, double baseScale) {
  return std::clamp(ValidZoom(zoomPercent) / 100.0 * std::max(baseScale, 1.0), 1.0, kMaxEditorScale);
}

double PredictedEditorScale(double hostScale) {
  LoadSettings();
  return EditorScale(GuiSettings.gui_zoom, hostScale > 0 ? hostScale : ScreenScale());
}
