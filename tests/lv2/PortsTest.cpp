// The settings a host sees as control ports: the description lilv reads (symbols, names,
// ranges, defaults, value texts) against the engine's catalogue and a fresh instance, every
// port's values reaching the engine, and ports the host leaves alone never undoing what the
// engine changed by itself.
#include <gtest/gtest.h>

#include <lv2/core/lv2.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/lv2/Lv2Session.h"

namespace {

using lv2test::Get;

using lv2test::FactoryEngine;

struct PortView {
  std::string symbol, name;
  float min = 0, max = 0, def = 0;
  std::map<int, std::string> points;
  bool integer = false, enumeration = false, toggled = false;
};

PortView Describe(const lv2host::Host& host, LilvWorld* world, uint32_t index) {
  const LilvPlugin* plugin = host.Plugin();
  const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
  PortView v;
  v.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
  LilvNode* name = lilv_port_get_name(plugin, port);
  v.name = lilv_node_as_string(name);
  lilv_node_free(name);
  LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
  lilv_port_get_range(plugin, port, &def, &min, &max);
  v.def = lilv_node_as_float(def);
  v.min = lilv_node_as_float(min);
  v.max = lilv_node_as_float(max);
  lilv_node_free(def);
  lilv_node_free(min);
  lilv_node_free(max);
  LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
  LILV_FOREACH(scale_points, i, points) {
    const LilvScalePoint* p = lilv_scale_points_get(points, i);
    v.points[static_cast<int>(lilv_node_as_float(lilv_scale_point_get_value(p)))] =
        lilv_node_as_string(lilv_scale_point_get_label(p));
  }
  lilv_scale_points_free(points);
  auto has = [&](const char* uri) {
    LilvNode* node = lilv_new_uri(world, uri);
    const bool yes = lilv_port_has_property(plugin, port, node);
    lilv_node_free(node);
    return yes;
  };
  v.integer = has(LV2_CORE__integer);
  v.enumeration = has(LV2_CORE__enumeration);
  v.toggled = has(LV2_CORE__toggled);
  return v;
}

TEST(Lv2Ports, TheDescriptionShowsEachSettingAsTheEngineHasIt) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  LilvWorld* world = host->World();
  const auto fresh = FactoryEngine();
  ASSERT_EQ(host->PortCount(), kPortCount);
  EXPECT_EQ(host->PortSymbol(kPortMidiIn), "midi_in");
  EXPECT_EQ(host->PortSymbol(kPortMidiOut), "midi_out");
  const PortView program = Describe(*host, world, kPortProgram);
  EXPECT_EQ(program.symbol, "program");
  EXPECT_EQ(program.min, 0);
  EXPECT_EQ(program.max, 63);
  EXPECT_EQ(program.def, fresh->CurrentProgram());
  // Each program by its number and name, over the range sessions keep.
  ASSERT_EQ(program.points.size(), 64u);
  for (int index = 0; index < 64; ++index)
    EXPECT_EQ(program.points.at(index), std::to_string(index + 1) + " " + fresh->ProgramName(index).Str());
  EXPECT_EQ(program.points.at(0), "1 Up Classic");
  for (uint32_t port = kFirstSettingPort; port < kPortCount; ++port) {
    const int tag = SettingOfPort(port)->tag;
    const PortView v = Describe(*host, world, port);
    const std::string what = v.symbol + " (tag " + std::to_string(tag) + ")";
    EXPECT_EQ(v.name, fresh->ParamName(tag).View()) << what;
    EXPECT_EQ(v.min, CParamMin[tag]) << what;
    EXPECT_EQ(v.max, tag == tagCurChain ? CParamMax[tagNumChains] : CParamMax[tag]) << what;
    EXPECT_EQ(v.def, Get(*fresh, tag)) << what << ": a fresh instance's value";
    EXPECT_TRUE(v.integer) << what;
    // Every value with a text of its own shows it; numbers stay numbers.
    for (int value = static_cast<int>(v.min); value <= static_cast<int>(v.max); ++value) {
      const std::string text = ValueText(tag, value);
      const auto point = v.points.find(value);
      if (text == std::to_string(value)) {
        EXPECT_TRUE(point == v.points.end()) << what << " " << value;
      } else {
        ASSERT_TRUE(point != v.points.end()) << what << " " << value;
        EXPECT_EQ(point->second, text) << what << " " << value;
      }
    }
    EXPECT_EQ(v.toggled, v.points.empty() && v.min == 0 && v.max == 1) << what;
    if (v.enumeration) {
      EXPECT_EQ(v.points.size(), static_cast<size_t>(v.max - v.min + 1)) << what;
    }
  }
  EXPECT_TRUE(Describe(*host, world, static_cast<uint32_t>(PortOfTag(tagSync))).enumeration);
  EXPECT_TRUE(Describe(*host, world, static_cast<uint32_t>(PortOfTag(tagLatch))).toggled);
}

// The UI reads the host's options through urid:map: its description says so, as an optional
// feature (it works without the options).
TEST(Lv2Ports, TheUiListsTheFeaturesItUses) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  LilvWorld* world = host->World();
  LilvUIs* uis = lilv_plugin_get_uis(host->Plugin());
  ASSERT_EQ(lilv_uis_size(uis), 1u);
  const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
  const auto features = [&](const char* predicate) {
    std::set<std::string> found;
    LilvNode* p = lilv_new_uri(world, predicate);
    LilvNodes* nodes = lilv_world_find_nodes(world, lilv_ui_get_uri(ui), p, nullptr);
    LILV_FOREACH(nodes, i, nodes) found.insert(lilv_node_as_uri(lilv_nodes_get(nodes, i)));
    lilv_nodes_free(nodes);
    lilv_node_free(p);
    return found;
  };
  const std::set<std::string> optional = features(LV2_CORE__optionalFeature);
  const std::set<std::string> required = features(LV2_CORE__requiredFeature);
  EXPECT_TRUE(optional.count(LV2_URID__map) == 1 || required.count(LV2_URID__map) == 1);
  for (const char* uri : {LV2_UI__resize, LV2_UI__touch, LV2_OPTIONS__options}) EXPECT_EQ(optional.count(uri), 1u) << uri;
  for (const char* uri : {LV2_UI__parent, LV2_UI__idleInterface, LV2_INSTANCE_ACCESS_URI})
    EXPECT_EQ(required.count(uri), 1u) << uri;
  lilv_uis_free(uis);
}

TEST(Lv2Ports, SymbolsStayAsSessionsSavedThem) {
  // Sessions and automation name ports by symbol: renaming one loses what users saved.
  const char* kept[] = {"midi_in", "midi_out", "program", "midi_in_channel", "midi_out_channel", "arp_enabled",
                        "midi_thru", "chain_count", "current_chain", "chain_quantize", "send_patch", "send_bank",
                        "send_volume", "steps", "gate", "sync", "latch", "missing_keys", "input_range_low",
                        "input_range_high", "output_range_low", "output_range_high", "order", "fixed_key",
                        "transpose_octaves", "input_quantize", "transpose_semitones", "scroll", "swing",
                        "restart_on", "scale_root", "force_scale", "follow_chord", "page_lock"};
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  for (uint32_t port = 0; port < std::size(kept); ++port) EXPECT_EQ(host->PortSymbol(port), kept[port]) << port;
}

// Each setting port at one of its values: the lowest, the highest, the middle, the default.
float ValueFor(const PortView& v, int which) {
  switch (which) {
    case 0: return v.min;
    case 1: return v.max;
    case 2: return std::round((v.min + v.max) / 2);
    default: return v.def;
  }
}

TEST(Lv2Ports, EveryControlPortValueReachesTheEngine) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  std::vector<PortView> views;
  for (uint32_t port = 0; port < kPortCount; ++port) views.push_back(Describe(*host, host->World(), port));
  host->RunBlock(64);
  const auto chainChoice = [](uint32_t port) {
    const int tag = SettingOfPort(port)->tag;
    return tag == tagNumChains || tag == tagCurChain;
  };
  for (int which = 0; which < 4; ++which) {
    // The chain in force first: a change of chain brings that chain's settings in the block it
    // takes effect, over values written with it.
    for (int pass = 0; pass < 2; ++pass) {
      for (uint32_t port = kFirstSettingPort; port < kPortCount; ++port)
        if (chainChoice(port) == (pass == 0)) host->SetControl(port, ValueFor(views[port], which));
      host->RunBlock(64);
    }
    const auto engine = lv2test::EngineOf(*host);
    ASSERT_TRUE(engine);
    for (uint32_t port = kFirstSettingPort; port < kPortCount; ++port) {
      const int tag = SettingOfPort(port)->tag;
      int expected = static_cast<int>(ValueFor(views[port], which));
      if (tag == tagCurChain) expected = std::min(expected, Get(*engine, tagNumChains));  // no chain past the count
      EXPECT_EQ(Get(*engine, tag), expected) << views[port].symbol << " set to " << ValueFor(views[port], which);
    }
  }
  // The program port selects the program, which brings its own settings.
  const auto factory = FactoryEngine();
  factory->SelectProgram(41);
  host->SetControl(kPortProgram, 41);
  host->RunBlock(64);
  const auto engine = lv2test::EngineOf(*host);
  EXPECT_EQ(engine->CurrentProgram(), 41);
  EXPECT_EQ(engine->ProgramName(41).View(), factory->ProgramName(41).View());
  EXPECT_EQ(Get(*engine, tagSync), Get(*factory, tagSync));
}

TEST(Lv2Ports, APortTheHostLeavesAloneNeverUndoesTheEnginesOwnChange) {
  // Program 12 by a MIDI program change: every setting changes in the engine while the host's
  // ports keep program 1's values. Blocks later, the engine still holds program 12 as it is.
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  const auto factory = FactoryEngine();
  factory->SelectProgram(11);
  host->RunBlock(64);
  host->SendMidi(0, {0xC0, 11});
  for (int i = 0; i < 20; ++i) host->RunBlock(64);
  const auto engine = lv2test::EngineOf(*host);
  ASSERT_EQ(engine->CurrentProgram(), 11);
  int differing = 0;
  for (const TLv2Setting& s : kLv2Settings) {
    EXPECT_EQ(Get(*engine, s.tag), Get(*factory, s.tag)) << s.symbol;
    differing += host->Control(static_cast<uint32_t>(PortOfTag(s.tag))) != Get(*factory, s.tag);
  }
  EXPECT_GT(differing, 0) << "the ports should still hold the first program's values";
}

TEST(Lv2Ports, ValuesOutsideTheRangeAreBroughtIntoItAndNonFiniteOnesIgnored) {
  auto host = lv2test::StartedHost();
  ASSERT_TRUE(host);
  host->RunBlock(64);
  const struct {
    const char* symbol;
    float value;
    int expected;
  } cases[] = {
      {"steps", 1000.0f, 64},   {"steps", -5.0f, 1},         {"gate", 50.4f, 50},
      {"gate", 50.6f, 51},      {"swing", -1.0e30f, -50},    {"sync", std::numeric_limits<float>::infinity(), 3},
      {"order", 3.0f, 3},       {"order", std::numeric_limits<float>::quiet_NaN(), 3},
      {"fixed_key", -std::numeric_limits<float>::infinity(), 64},
  };
  for (const auto& c : cases) {
    host->SetControl(c.symbol, c.value);
    host->RunBlock(64);
    const auto engine = lv2test::EngineOf(*host);
    const int tag = SettingOfPort(static_cast<uint32_t>(host->PortIndex(c.symbol)))->tag;
    EXPECT_EQ(Get(*engine, tag), c.expected) << c.symbol << " = " << c.value;
  }
}

}  // namespace
