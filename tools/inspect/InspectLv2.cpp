// What an LV2 host sees of the bundle, read with lilv as hosts read it: the plug-in and its UI,
// the control ports with their ranges, values and scale points (the program port's among them),
// the presets, the state saved and restored into a second instance, and one bar played.
#include "tools/inspect/Inspect.h"

#if MOLTRIN_INSPECT_LV2
#include <lilv/lilv.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/lv2/Lv2Host.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFactoryBankFile = "Moltrin_FactoryBank.fxb";

// A copy of the bundle without its factory bank, in a folder of its own (removed at the end).
class TBundleWithoutBank {
 public:
  explicit TBundleWithoutBank(const std::string& bundle) {
    std::error_code ec;
    char pattern[] = "/tmp/moltrin-inspect-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    folder = pattern;
    const fs::path copy = fs::path(folder) / fs::path(bundle).filename();
    fs::copy(bundle, copy, fs::copy_options::recursive, ec);
    fs::remove(copy / kFactoryBankFile, ec);
    if (!ec) path = copy.string();
  }
  ~TBundleWithoutBank() {
    std::error_code ec;
    if (!folder.empty()) fs::remove_all(folder, ec);
  }
  std::string path;  // empty when the copy failed

 private:
  std::string folder;
};

std::string Text(const LilvNode* node) { return node != nullptr ? lilv_node_as_string(node) : "?"; }

void PrintIdentity(lv2host::Host& h) {
  const LilvPlugin* p = h.Plugin();
  LilvWorld* w = h.World();
  LilvNode* name = lilv_plugin_get_name(p);
  LilvNode* author = lilv_plugin_get_author_name(p);
  std::printf("Identity\n");
  std::printf("  uri             %s\n", Text(lilv_plugin_get_uri(p)).c_str());
  std::printf("  name            %s (maintainer %s)\n", Text(name).c_str(), Text(author).c_str());
  lilv_node_free(name);
  lilv_node_free(author);
  const auto printFeatures = [](const char* what, LilvNodes* features) {
    std::printf("  %-15s", what);
    LILV_FOREACH (nodes, i, features) std::printf(" %s", Text(lilv_nodes_get(features, i)).c_str());
    std::printf("\n");
    lilv_nodes_free(features);
  };
  printFeatures("requires", lilv_plugin_get_required_features(p));
  printFeatures("may use", lilv_plugin_get_optional_features(p));
  LilvUIs* uis = lilv_plugin_get_uis(p);
  LILV_FOREACH (uis, i, uis) {
    const LilvUI* ui = lilv_uis_get(uis, i);
    std::printf("  UI              %s\n", Text(lilv_ui_get_uri(ui)).c_str());
    for (const char* kind : {"requiredFeature", "optionalFeature"}) {
      LilvNode* predicate = lilv_new_uri(w, (std::string("http://lv2plug.in/ns/lv2core#") + kind).c_str());
      printFeatures(kind[0] == 'r' ? "  UI requires" : "  UI may use",
                    lilv_world_find_nodes(w, lilv_ui_get_uri(ui), predicate, nullptr));
      lilv_node_free(predicate);
    }
  }
  lilv_uis_free(uis);
  std::printf("  ports %u, presets %zu\n", lilv_plugin_get_num_ports(p), h.Presets().size());
}

void PrintPort(lv2host::Host& h, const char* symbol) {
  const int index = h.PortIndex(symbol);
  if (index < 0) return;
  const LilvPort* port = lilv_plugin_get_port_by_index(h.Plugin(), static_cast<uint32_t>(index));
  LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
  lilv_port_get_range(h.Plugin(), port, &def, &min, &max);
  LilvNode* name = lilv_port_get_name(h.Plugin(), port);
  const float value = h.Control(static_cast<uint32_t>(index));
  std::string label = std::to_string(std::lround(value));
  LilvScalePoints* points = lilv_port_get_scale_points(h.Plugin(), port);
  size_t count = 0;
  LILV_FOREACH (scale_points, i, points) {
    const LilvScalePoint* point = lilv_scale_points_get(points, i);
    ++count;
    if (lilv_node_as_float(lilv_scale_point_get_value(point)) == value)
      label += " \"" + Text(lilv_scale_point_get_label(point)) + "\"";
  }
  const std::string range = Text(min) + ".." + Text(max);
  std::printf("  %-3d %-20s %-16s %-8s %-7s %-4zu %s\n", index, symbol, Text(name).c_str(), range.c_str(),
              Text(def).c_str(), count, label.c_str());
  if (points != nullptr) lilv_scale_points_free(points);
  for (LilvNode* n : {def, min, max, name}) lilv_node_free(n);
}

void PrintPorts(lv2host::Host& h, const TInspectOptions& options) {
  std::printf("Programs\n");
  PrintFactoryBankLine(options);
  if (!options.factoryBank)
    std::printf("  (the bundle's description names the bank's values as the ports' defaults: a host that\n"
                "   holds them writes them into the instance at its first block)\n");
  std::printf("Control ports (the step rows and chain slots travel in the state only)\n");
  std::printf("  %-3s %-20s %-16s %-8s %-7s %-4s %s\n", "#", "symbol", "name", "range", "default", "pts", "value");
  for (const char* symbol : {"program", "midi_out_channel", "arp_enabled", "chain_count", "current_chain", "steps",
                             "gate", "sync", "order", "swing"})
    PrintPort(h, symbol);
}

bool StateRoundTrip(lv2host::Host& h, const std::string& bundle) {
  std::printf("State\n");
  const std::vector<lv2host::Property> saved = h.SaveProperties();
  size_t bytes = 0;
  for (const lv2host::Property& p : saved) bytes += p.value.size();
  lv2host::Host other(bundle);
  if (!other.Start(44100, 512)) return false;
  const int status = other.RestoreProperties(saved);
  const std::vector<lv2host::Property> again = other.SaveProperties();
  bool same = status == 0 && again.size() == saved.size();
  for (size_t i = 0; same && i < saved.size(); ++i) same = saved[i].key == again[i].key && saved[i].value == again[i].value;
  std::printf("  %zu properties, %zu bytes; restored into a second instance %s, saved again %s\n", saved.size(), bytes,
              status == 0 ? "and taken" : "and REFUSED", same ? "identical" : "DIFFERENT");
  return same;
}

void PlayOneBar(lv2host::Host& h) {
  h.ClearOut();
  lv2host::Position playing;
  playing.bpm = 120;
  playing.speed = 1;
  playing.bar = 0;
  playing.barBeat = 0;
  playing.beatsPerBar = 4;
  playing.beatUnit = 4;
  h.SendPosition(0, playing);
  for (uint8_t key : {60, 64, 67}) h.SendMidi(0, {0x90, key, 100});
  for (int i = 0; i < 172; ++i) h.RunBlock(512);
  for (uint8_t key : {60, 64, 67}) h.SendMidi(0, {0x80, key, 0});
  lv2host::Position stopped;
  stopped.bpm = 120;
  stopped.speed = 0;
  h.SendPosition(0, stopped);
  for (int i = 0; i < 8; ++i) h.RunBlock(512);
  std::vector<std::vector<uint8_t>> played;
  for (const lv2host::MidiOut& m : h.Out()) played.push_back({m.bytes[0], m.bytes[1], m.bytes[2]});
  PrintPlayed("One bar at 120 BPM, 44.1 kHz, C major chord held, the program's own steps (step rows are no ports)",
              played);
}

}  // namespace

int InspectLv2(const TInspectOptions& options) {
  std::string bundle = fs::absolute(options.path).lexically_normal().string();
  if (!bundle.empty() && bundle.back() == '/') bundle.pop_back();
  std::optional<TBundleWithoutBank> withoutBank;
  if (!options.factoryBank) {
    withoutBank.emplace(bundle);
    if (withoutBank->path.empty()) {
      std::fprintf(stderr, "moltrin-inspect: cannot copy %s without its factory bank\n", bundle.c_str());
      return 2;
    }
    bundle = withoutBank->path;
  }
  lv2host::Host h(bundle);
  if (!h.Start(44100, 512)) {
    std::fprintf(stderr, "moltrin-inspect: %s\n", h.LastError().c_str());
    return 2;
  }
  std::printf("Bundle %s\n", options.path.c_str());
  PrintIdentity(h);
  PrintPorts(h, options);
  const bool ok = StateRoundTrip(h, bundle);
  PlayOneBar(h);
  return ok ? 0 : 1;
}

#else
#include <cstdio>

int InspectLv2(const TInspectOptions& options) {
  std::fprintf(stderr, "moltrin-inspect: %s: this build reads no LV2 bundles (it was made without liblilv-dev)\n",
               options.path.c_str());
  return 2;
}
#endif
