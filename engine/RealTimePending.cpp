// Temporary: the real-time path is being written; these keep the module linkable meanwhile.
#include "engine/PlugCore.h"

void TPlugCore::HandleMidiIn(int, int, int, int) {}
void TPlugCore::ProcessBlock(int) {}
bool TPlugCore::SendEditorMidi(uint8_t, uint8_t, uint8_t, uint8_t) { return false; }
void TPlugCore::HandleMidiLocked(const TMidiMsg&) {}
