#pragma once
// The names of the plug-in, its UI and its state in the LV2 world. Like port symbols, they are
// kept in saved sessions and presets: they never change.
#define MOLTRIN_LV2_URI "urn:moltrin:arpeggiator"
#define MOLTRIN_LV2_UI_URI MOLTRIN_LV2_URI "#ui"
// The state property holding the whole bank with the current program, and its type.
#define MOLTRIN_LV2_BANK MOLTRIN_LV2_URI "#bank"
#define MOLTRIN_LV2_BANK_TYPE MOLTRIN_LV2_URI "#BankState"
// A preset's property: one program's chunk, applied to the current program.
#define MOLTRIN_LV2_PROGRAM MOLTRIN_LV2_URI "#program"
#define MOLTRIN_LV2_PRESET_PREFIX MOLTRIN_LV2_URI ":preset:"
