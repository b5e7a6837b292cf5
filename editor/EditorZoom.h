#pragma once
// The editor's zoom: the user's choice from the "Zoom" menu, kept in moltrin.ini as
// "gui_zoom" (a percentage; a file without it means 100 %), times the base scale (the host's or
// the system's), at most 400 %: a larger window fits no screen.
#include "editor/EditorForm.h"

// The zooms the menu offers, in percent.
constexpr int kZoomSteps[] = {100, 125, 150, 175, 200, 250, 300};
constexpr int kMinZoom = 100, kMaxZoom = 300;
constexpr double kMaxEditorScale = 4;

// A zoom as read from the settings file: 100 for none (0), others brought into 100..300.
int ValidZoom(int percent);
// The scale the editor is drawn at: zoom / 100 times the base scale (taken as at least 1), at
// most kMaxEditorScale.
double EditorScale(int zoomPercent, double baseScale);
// The scale an editor opened now would be drawn at: the user's zoom times the host's scale, or
// the screen's when the host tells none (0). Reads the settings beside the plug-in if no editor
// has yet.
double PredictedEditorScale(double hostScale = 0);
