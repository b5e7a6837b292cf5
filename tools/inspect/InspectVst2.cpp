// What a VST 2.x host sees of the module: loaded through its exported entry, the effect record,
// identity, capabilities, programs and a few parameters, a bank chunk round-tripped through a
// second instance, and one bar played.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"
#include "tools/inspect/Inspect.h"

namespace {

using vst2host::Host;

std::string FourChars(VstInt32 v) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
  return s;
}

std::string FlagNames(VstInt32 flags) {
  struct Flag {
    VstInt32 bit;
    const char* name;
  };
  const Flag known[] = {{effFlagsHasEditor, "HasEditor"},       {effFlagsHasClip, "HasClip"},
                        {effFlagsHasVu, "HasVu"},               {effFlagsCanMono, "CanMono"},
                        {effFlagsCanReplacing, "CanReplacing"}, {effFlagsProgramChunks, "ProgramChunks"},
                        {effFlagsIsSynth, "IsSynth"},           {effFlagsNoSoundInStop, "NoSoundInStop"},
                        {effFlagsCanDoubleReplacing, "CanDoubleReplacing"}};
  std::string s;
  for (const Flag& f : known)
    if (flags & f.bit) s += std::string(s.empty() ? "" : " ") + f.name;
  return s;
}

void PrintIdentity(Host& h, AEffect* fx) {
  std::printf("Identity\n");
  std::printf("  effect name     %s\n", h.Text(effGetEffectName).c_str());
  std::printf("  product         %s\n", h.Text(effGetProductString).c_str());
  std::printf("  vendor          %s (version %ld)\n", h.Text(effGetVendorString).c_str(),
              static_cast<long>(h.Dispatch(effGetVendorVersion)));
  std::printf("  unique ID       '%s' (0x%08X), version %d\n", FourChars(fx->uniqueID).c_str(),
              static_cast<unsigned>(fx->uniqueID), fx->version);
  std::printf("  VST version     %ld, category %ld\n", static_cast<long>(h.Dispatch(effGetVstVersion)),
              static_cast<long>(h.Dispatch(effGetPlugCategory)));
  std::printf("  programs %d, parameters %d, inputs %d, outputs %d\n", fx->numPrograms, fx->numParams,
              fx->numInputs, fx->numOutputs);
  std::printf("  flags 0x%X: %s\n", static_cast<unsigned>(fx->flags), FlagNames(fx->flags).c_str());
  ERect* rect = nullptr;
  h.Dispatch(effEditGetRect, 0, 0, &rect);
  if (rect != nullptr) std::printf("  editor          %d x %d\n", rect->right - rect->left, rect->bottom - rect->top);
  VstPinProperties pin{};
  if (h.Dispatch(effGetOutputProperties, 0, 0, &pin) == 1) std::printf("  output pin      \"%s\"\n", pin.label);
}

void PrintCapabilities(Host& h) {
  std::printf("Capabilities (effCanDo)\n");
  const char* asked[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo", "sendVstEvents",
                         "sendVstMidiEvent", "sendVstTimeInfo", "offline", "bypass", "midiProgramNames",
                         "somethingElse"};
  for (const char* text : asked) {
    VstIntPtr a = h.CanDo(text);
    std::printf("  %-22s %s\n", text, a == 1 ? "yes" : a == 0 ? "no" : "don't know");
  }
}

void PrintPrograms(Host& h, const TInspectOptions& options) {
  std::printf("Programs\n");
  PrintFactoryBankLine(options);
  std::printf("  current before any selection: %ld\n", static_cast<long>(h.Program()));
  std::printf(" ");
  for (int p = 0; p < 8; ++p) std::printf(" [%d] %s", p, h.ProgramNameIndexed(p).c_str());
  std::printf(" ... [63] %s\n", h.ProgramNameIndexed(63).c_str());
}

void PrintParameters(Host& h) {
  h.SetProgram(0);
  std::printf("Parameters (program 0)\n");
  std::printf("  %-5s %-14s %-14s %-7s %s\n", "tag", "host name", "setting", "host", "display");
  const int tags[] = {tagMIDIOut_Ch, tagArpEnabled, tagNumChains, tagSteps,    tagGate,          tagSync,
                      tagSortOrder,  tagFixed_key,  tagSwing,     tagSemitone, tagStep_mode + 1, tagVelocity + 63};
  for (int tag : tags) {
    std::printf("  %-5d %-14s %-14s %-7.4f %s\n", tag, h.ParamName(tag).c_str(), CatalogueName(tag).c_str(),
                static_cast<double>(h.GetParam(tag)), h.ParamDisplay(tag).c_str());
  }
  h.SetParam(tagSync, 1.0f);
  std::printf("  host writes Sync = 1.0: display %s, reads back %.4f\n", h.ParamDisplay(tagSync).c_str(),
              static_cast<double>(h.GetParam(tagSync)));
  h.SetParam(tagSync, 3.0f / 11.0f);
}

bool ChunkRoundTrip(Host& h, const TInspectOptions& options) {
  std::printf("Chunks\n");
  char name[] = "Inspected";
  h.Dispatch(effSetProgramName, 0, 0, name);
  std::vector<uint8_t> bank = h.GetChunk(false);
  std::vector<uint8_t> program = h.GetChunk(true);
  std::printf("  bank %zu bytes (format byte %d), program %zu bytes\n", bank.size(),
              bank.empty() ? -1 : bank[0], program.size());
  Host other(2400, options.path);
  other.factoryBank = options.factoryBank;
  if (other.Load() == nullptr) return false;
  VstIntPtr used = other.SetChunk(bank, false);
  bool same = other.GetChunk(false) == bank;
  std::printf("  applied to a second instance: %ld bytes used, bytes read back %s, program 0 named \"%s\"\n",
              static_cast<long>(used), same ? "identical" : "DIFFERENT", other.ProgramNameIndexed(0).c_str());
  return same;
}

void PlayOneBar(Host& h) {
  SetKeysForOneBar([&](int tag, int key) { h.SetParam(tag, static_cast<float>(key) / 6.0f); });
  h.ClearRecords();
  h.SendMidi({vst2host::NoteOn(0, 60, 100), vst2host::NoteOn(0, 64, 100), vst2host::NoteOn(0, 67, 100)});
  h.PlayBlocks(172);  // 2 s in blocks of 512 frames
  h.SendMidi({vst2host::NoteOff(0, 60), vst2host::NoteOff(0, 64), vst2host::NoteOff(0, 67)});
  h.Stop();
  h.RunBlocks(8);
  std::vector<std::vector<uint8_t>> played;
  for (const vst2host::MidiOut& m : h.MidiOutEvents()) played.push_back({m.bytes[0], m.bytes[1], m.bytes[2]});
  PrintPlayed(kOneBarTitle, played);
}

}  // namespace

int InspectVst2(const TInspectOptions& options) {
  std::string error;
  if (vst2host::LoadEntry(options.path, &error) == nullptr) {
    std::fprintf(stderr, "moltrin-inspect: %s\n", error.c_str());
    return 2;
  }
  std::printf("Module %s\n", options.path.c_str());
  std::printf("  exports VSTPluginMain%s\n", vst2host::LoadEntry(options.path, nullptr, "main") ? " and main" : "");

  Host h(2400, options.path);
  h.factoryBank = options.factoryBank;
  AEffect* fx = h.Start();
  if (fx == nullptr) {
    std::fprintf(stderr, "moltrin-inspect: %s\n", h.LastError().c_str());
    return 1;
  }
  PrintIdentity(h, fx);
  PrintCapabilities(h);
  PrintPrograms(h, options);
  PrintParameters(h);
  bool ok = ChunkRoundTrip(h, options);
  PlayOneBar(h);
  std::printf("Closing: effClose answers %ld\n", static_cast<long>(h.Close()));
  return ok ? 0 : 1;
}
