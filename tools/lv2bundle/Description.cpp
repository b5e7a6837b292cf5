#include "tools/lv2bundle/Description.h"

#include <span>
#include <vector>

#include "engine/Plugin.h"
#include "host/lv2/Lv2Ports.h"
#include "host/lv2/Lv2Uris.h"
#include "host/lv2/StateBlob.h"

namespace {

constexpr const char* kBinary = "moltrin.so";
// Room in the output sequence for a whole block of the engine's messages: 2047 events of 24
// bytes and the sequence's header, rounded up.
constexpr int kOutputBufferBytes = 49152;

const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix param: <http://lv2plug.in/ns/ext/parameters#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";

std::string Quoted(std::string_view text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

std::string Base64(std::span<const uint8_t> bytes) {
  static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const uint32_t n = (uint32_t{bytes[i]} << 16) | (i + 1 < bytes.size() ? uint32_t{bytes[i + 1]} << 8 : 0) |
                       (i + 2 < bytes.size() ? uint32_t{bytes[i + 2]} : 0);
    out += kDigits[(n >> 18) & 63];
    out += kDigits[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
  }
  return out;
}

// <urn:moltrin:arpeggiator:preset:07> for the seventh program.
std::string PresetUri(int program) {
  std::string uri = "<" MOLTRIN_LV2_PRESET_PREFIX;
  if (program + 1 < 10) uri += '0';
  uri += std::to_string(program + 1);
  uri += '>';
  return uri;
}

// The values of a setting that have a text of their own (not merely their number).
std::vector<std::pair<int, std::string>> ScalePoints(int tag, TPortRange range) {
  std::vector<std::pair<int, std::string>> points;
  for (int v = range.min; v <= range.max; ++v) {
    const std::string text = ValueText(tag, v);
    if (text != std::to_string(v)) points.emplace_back(v, text);
  }
  return points;
}

std::string ControlPort(const TPlugin& plugin, uint32_t port) {
  const TPortRange range = RangeOfPort(port);
  float value = 0;
  ReadPortValue(plugin, port, value);
  std::string symbol = "program", name = "Program";
  std::vector<std::pair<int, std::string>> points;
  std::string properties = "lv2:integer";
  if (const TLv2Setting* setting = SettingOfPort(port)) {
    symbol = setting->symbol;
    name = std::string(plugin.ParamName(setting->tag).View());
    points = ScalePoints(setting->tag, range);
    const int count = range.max - range.min + 1;
    if (static_cast<int>(points.size()) == count && count <= 25) properties += ", lv2:enumeration";
    if (points.empty() && range.min == 0 && range.max == 1) properties += ", lv2:toggled";
  } else {
    // Each program by its number and name, as the editor lists them ("1 Up Classic").
    for (int v = range.min; v <= range.max; ++v)
      points.emplace_back(v, std::to_string(v + 1) + " " + std::string(plugin.ProgramName(v).View()));
  }
  std::string t = "  [\n    a lv2:InputPort, lv2:ControlPort ;\n";
  t += "    lv2:index " + std::to_string(port) + " ;\n";
  t += "    lv2:symbol \"" + symbol + "\" ;\n";
  t += "    lv2:name " + Quoted(name) + " ;\n";
  t += "    lv2:default " + std::to_string(static_cast<int>(value)) + " ;\n";
  t += "    lv2:minimum " + std::to_string(range.min) + " ;\n";
  t += "    lv2:maximum " + std::to_string(range.max) + " ;\n";
  t += "    lv2:portProperty " + properties;
  if (symbol == "gate" || symbol == "swing") t += " ;\n    units:unit units:pc";
  for (size_t i = 0; i < points.size(); ++i) {
    t += i == 0 ? " ;\n    lv2:scalePoint " : " ,\n      ";
    t += "[ rdfs:label " + Quoted(points[i].second) + " ; rdf:value " + std::to_string(points[i].first) + " ]";
  }
  return t + " ;\n  ]";
}

std::string Manifest(const std::vector<int>& programs) {
  std::string t = kPrefixes;
  t += "<" MOLTRIN_LV2_URI ">\n  a lv2:Plugin ;\n  lv2:binary <" + std::string(kBinary) +
       "> ;\n  rdfs:seeAlso <moltrin.ttl> .\n\n";
  t += "<" MOLTRIN_LV2_UI_URI ">\n  a ui:X11UI ;\n  ui:binary <" + std::string(kBinary) +
       "> ;\n  rdfs:seeAlso <moltrin.ttl> .\n";
  for (int program : programs) {
    t += '\n';
    t += PresetUri(program);
    t += "\n  a pset:Preset ;\n  lv2:appliesTo <" MOLTRIN_LV2_URI "> ;\n  rdfs:seeAlso <presets.ttl> .\n";
  }
  return t;
}

std::string PluginDescription(const TPlugin& plugin) {
  const TIdentity& id = TPlugin::Identity();
  std::string t = kPrefixes;
  t += "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n\n";
  t += "<" MOLTRIN_LV2_URI ">\n  a lv2:Plugin, lv2:MIDIPlugin, doap:Project ;\n";
  t += "  doap:name " + Quoted(id.EffectName) + " ;\n";
  t += "  doap:license <https://opensource.org/licenses/MIT> ;\n";
  t += "  doap:maintainer [ foaf:name " + Quoted(id.VendorString) + " ] ;\n";
  t += "  lv2:minorVersion " + std::to_string(id.VendorVersion / 10) + " ;\n";
  t += "  lv2:microVersion " + std::to_string(id.VendorVersion % 10) + " ;\n";
  t += "  lv2:requiredFeature urid:map ;\n";
  t += "  lv2:optionalFeature lv2:hardRTCapable, opts:options ;\n";
  t += "  opts:supportedOption param:sampleRate ;\n";
  t += "  lv2:extensionData state:interface, opts:interface ;\n";
  t += "  ui:ui <" MOLTRIN_LV2_UI_URI "> ;\n";
  t += "  lv2:port\n";
  t += "  [\n    a lv2:InputPort, atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
       "    atom:supports midi:MidiEvent, time:Position ;\n    lv2:designation lv2:control ;\n"
       "    lv2:index 0 ;\n    lv2:symbol \"midi_in\" ;\n    lv2:name \"MIDI in\" ;\n  ] ,\n";
  t += "  [\n    a lv2:OutputPort, atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
       "    atom:supports midi:MidiEvent, atom:Object ;\n    rsz:minimumSize " +
       std::to_string(kOutputBufferBytes) + " ;\n    lv2:index 1 ;\n    lv2:symbol \"midi_out\" ;\n"
       "    lv2:name \"MIDI out\" ;\n  ]";
  for (uint32_t port = kPortProgram; port < kPortCount; ++port) {
    t += " ,\n";
    t += ControlPort(plugin, port);
  }
  t += " .\n\n";
  // The editor, working on the instance itself.
  t += "<" MOLTRIN_LV2_UI_URI ">\n  a ui:X11UI ;\n";
  t += "  lv2:requiredFeature ui:parent, ui:idleInterface, <http://lv2plug.in/ns/ext/instance-access> ;\n";
  t += "  lv2:optionalFeature ui:resize, ui:touch, opts:options, urid:map ;\n";
  t += "  opts:supportedOption ui:scaleFactor ;\n";
  t += "  lv2:extensionData ui:idleInterface .\n\n";
  // The state's properties.
  t += "<" MOLTRIN_LV2_BANK ">\n  a rdf:Property ;\n  rdfs:label \"bank\" ;\n"
       "  rdfs:comment \"Every program with the current one, in a versioned header.\" .\n\n";
  t += "<" MOLTRIN_LV2_PROGRAM ">\n  a rdf:Property ;\n  rdfs:label \"program\" ;\n"
       "  rdfs:comment \"One program, applied to the current program.\" .\n";
  return t;
}

std::string Preset(TPlugin& plugin, int program) {
  plugin.SelectProgram(program);
  std::string t = PresetUri(program) + "\n  a pset:Preset ;\n  lv2:appliesTo <" MOLTRIN_LV2_URI "> ;\n";
  t += "  rdfs:label " + Quoted(plugin.ProgramName(program).View()) + " ;\n  lv2:port";
  bool first = true;
  for (uint32_t port = kFirstSettingPort; port < kPortCount; ++port) {
    const TLv2Setting* setting = SettingOfPort(port);
    if (setting->tag < kFirstProgramTag) continue;  // a preset leaves the global settings alone
    float value = 0;
    ReadPortValue(plugin, port, value);
    t += first ? " " : " ,\n    ";
    t += "[ lv2:symbol \"" + std::string(setting->symbol) + "\" ; pset:value " +
         std::to_string(static_cast<int>(value)) + ".0 ]";
    first = false;
  }
  const void* chunk = nullptr;
  const int size = plugin.GetChunk(true, &chunk);
  const std::vector<uint8_t> blob =
      WriteStateBlob(TStateKind::kProgram, program, std::span(static_cast<const uint8_t*>(chunk), static_cast<size_t>(size)));
  t += " ;\n  state:state [\n    <" MOLTRIN_LV2_PROGRAM "> \"" + Base64(blob) + "\"^^xsd:base64Binary\n  ] .\n";
  return t;
}

}  // namespace

bool DescribeBundle(std::span<const uint8_t> bank, const std::vector<int>& programs, TBundleText& text,
                    std::string& error) {
  TPlugin plugin(nullptr);
  error = plugin.LoadFactoryBank(bank);
  if (!error.empty()) return false;
  // The ports' defaults are the values of a fresh instance, which starts with this bank.
  text.plugin = PluginDescription(plugin);
  const int fresh = plugin.CurrentProgram();
  text.presets = kPrefixes;
  for (int program : programs) {
    if (program < 0 || program >= TPlugin::ProgramCount()) {
      error = "no program " + std::to_string(program + 1);
      return false;
    }
    text.presets += '\n';
    text.presets += Preset(plugin, program);
  }
  plugin.SelectProgram(fresh);
  text.manifest = Manifest(programs);
  return true;
}
