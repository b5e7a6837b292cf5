// What a CLAP host sees of moltrin.clap: its descriptor and note ports, the programs, a few
// parameters with their ranges, values and texts, the state saved and loaded into a second
// instance, and one bar played.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"
#include "tools/inspect/Inspect.h"

namespace {

constexpr clap_id kProgram = 1000000;  // the "Program" parameter

std::string Dialects(uint32_t d) {
  std::string s;
  if (d & CLAP_NOTE_DIALECT_CLAP) s += " CLAP";
  if (d & CLAP_NOTE_DIALECT_MIDI) s += " MIDI";
  if (d & CLAP_NOTE_DIALECT_MIDI_MPE) s += " MPE";
  if (d & CLAP_NOTE_DIALECT_MIDI2) s += " MIDI2";
  return s.empty() ? " none" : s;
}

void PrintIdentity(const claphost::Host& h, const clap_plugin_entry_t* entry) {
  const clap_plugin_descriptor_t* d = h.Descriptor();
  std::printf("Identity\n");
  std::printf("  id              %s\n", d->id);
  std::printf("  name            %s\n", d->name);
  std::printf("  vendor          %s (version %s)\n", d->vendor, d->version);
  std::printf("  CLAP version    %u.%u.%u\n", entry->clap_version.major, entry->clap_version.minor,
              entry->clap_version.revision);
  std::printf("  features       ");
  for (const char* const* f = d->features; f != nullptr && *f != nullptr; ++f) std::printf(" %s", *f);
  std::printf("\n");
  const clap_plugin_note_ports_t* ports = h.NotePorts();
  for (bool input : {true, false}) {
    clap_note_port_info_t info{};
    if (ports != nullptr && ports->count(h.Plugin(), input) > 0 && ports->get(h.Plugin(), 0, input, &info))
      std::printf("  note port %-5s \"%s\", takes%s, prefers%s\n", input ? "in" : "out", info.name,
                  Dialects(info.supported_dialects).c_str(), Dialects(info.preferred_dialect).c_str());
  }
  std::uint32_t width = 0, height = 0;
  const clap_plugin_gui_t* gui = h.Gui();
  if (gui != nullptr && gui->create(h.Plugin(), CLAP_WINDOW_API_X11, false)) {
    if (gui->get_size(h.Plugin(), &width, &height)) std::printf("  editor          %u x %u (x11, embedded)\n", width, height);
    gui->destroy(h.Plugin());
  }
}

void PrintPrograms(const claphost::Host& h, const TInspectOptions& options) {
  std::printf("Programs\n");
  PrintFactoryBankLine(options);
  std::printf("  \"Program\" (id %u) holds %s\n ", kProgram, h.Text(kProgram, h.Value(kProgram).value_or(0)).c_str());
  for (int p = 1; p <= 8; ++p) std::printf(" [%s]", h.Text(kProgram, p).c_str());
  std::printf(" ... [%s]\n", h.Text(kProgram, 64).c_str());
}

void PrintParameters(claphost::Host& h) {
  std::printf("Parameters: %zu\n", h.AllInfo().size());
  std::printf("  %-7s %-14s %-16s %-9s %-7s %-6s %s\n", "id", "name", "module", "range", "default", "value", "text");
  const int tags[] = {tagMIDIOut_Ch, tagArpEnabled, tagNumChains, tagCurChain, tagSteps,         tagGate,
                      tagSync,       tagSortOrder,  tagSwing,     tagSemitone, tagStep_mode + 1, tagVelocity + 63};
  for (int tag : tags) {
    const auto info = h.Info(static_cast<clap_id>(tag));
    const auto value = h.Value(static_cast<clap_id>(tag));
    if (!info || !value) continue;
    const std::string range = std::to_string(std::lround(info->min_value)) + ".." + std::to_string(std::lround(info->max_value));
    std::printf("  %-7d %-14s %-16s %-9s %-7ld %-6ld %s%s\n", tag, info->name, info->module, range.c_str(),
                std::lround(info->default_value), std::lround(*value), h.Text(info->id, *value).c_str(),
                (info->flags & CLAP_PARAM_IS_AUTOMATABLE) ? "" : "  (not automatable)");
  }
}

bool StateRoundTrip(const claphost::Host& h, const TInspectOptions& options) {
  std::printf("State\n");
  const auto saved = h.SaveState();
  if (!saved) {
    std::printf("  the plug-in refused to save\n");
    return false;
  }
  claphost::Host other(options.path);
  other.noFactoryBank = !options.factoryBank;
  if (!other.Create()) return false;
  const bool loaded = other.LoadState(*saved);
  const auto again = other.SaveState();
  const bool same = loaded && again && *again == *saved;
  std::printf("  %zu bytes; loaded into a second instance %s, saved again %s\n", saved->size(),
              loaded ? "and taken" : "and REFUSED", same ? "identical" : "DIFFERENT");
  return same;
}

void PlayOneBar(claphost::Host& h) {
  SetKeysForOneBar([&](int tag, int key) { h.SetParam(static_cast<clap_id>(tag), key); });
  h.ClearRecords();
  for (int key : {60, 64, 67}) h.Note(true, 0, key, 100 / 127.0);
  h.PlayBlocks(172);  // 2 s in blocks of 512 frames
  for (int key : {60, 64, 67}) h.Note(false, 0, key, 0);
  h.transport.playing = false;
  h.RunBlocks(8);
  std::vector<std::vector<uint8_t>> played;
  for (const claphost::Sent& e : h.SentEvents()) {
    uint8_t bytes[3];
    if (e.AsMidi(bytes)) played.push_back({bytes[0], bytes[1], bytes[2]});
  }
  PrintPlayed(kOneBarTitle, played);
}

}  // namespace

int InspectClap(const TInspectOptions& options) {
  std::string error;
  const clap_plugin_entry_t* entry = claphost::LoadEntry(options.path, &error);
  if (entry == nullptr) {
    std::fprintf(stderr, "moltrin-inspect: %s\n", error.c_str());
    return 2;
  }
  std::printf("Module %s\n  exports clap_entry\n", options.path.c_str());
  claphost::Host h(options.path);
  h.noFactoryBank = !options.factoryBank;
  if (!h.Create()) {
    std::fprintf(stderr, "moltrin-inspect: %s\n", h.LastError().c_str());
    return 1;
  }
  h.RunMainThreadCallbacks();
  PrintIdentity(h, entry);
  PrintPrograms(h, options);
  PrintParameters(h);
  const bool ok = StateRoundTrip(h, options);
  if (!h.Activate(44100, 512)) return 1;
  h.StartProcessing();
  PlayOneBar(h);
  return ok ? 0 : 1;
}
