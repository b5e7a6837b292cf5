#pragma once
// The editor as an LV2 X11 UI. Everything of the UI lives in Lv2Ui.cpp.
#include <lv2/ui/ui.h>

const LV2UI_Descriptor* MoltrinUiDescriptor();
