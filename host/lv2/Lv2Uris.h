#pragma once
// The names of the plug-in, its UI and its state in the LV2 world. Like port symbols, they are
// kept in saved sessions and presets: they never change.
#define MOLTRIN_LV2_URI "urn:moltrin:arpeggiator"
#define MOLTRIN_LV2_UI_URI MOLTRIN_LV2_URI "#ui"
// The state property holding the whole bank with the current program. Its value is an
// atom:Chunk whose versioned header (StateBlob.h) says it is ours: lilv, through which Ardour,
// jalv and Carla keep sessions, writes bytes as base64 only for chunks (a type of our own would
// be written as text and cut at its first zero byte).
#define MOLTRIN_LV2_BANK MOLTRIN_LV2_URI "#bank"
// A preset's property: one program's chunk, applied to the current program.
#define MOLTRIN_LV2_PROGRAM MOLTRIN_LV2_URI "#program"
#define MOLTRIN_LV2_PRESET_PREFIX MOLTRIN_LV2_URI ":preset:"
