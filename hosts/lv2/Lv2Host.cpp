#include "hosts/lv2/Lv2Host.h"

#include <dlfcn.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/presets/presets.h>
#include <lv2/resize-port/resize-port.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace lv2host {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kInBufferBytes = 1 << 20;

// A folder of the process's own holding a link to the bundle, which LV2_PATH names alone; it
// goes when the process ends.
std::string TemporaryLv2Path(const std::string& bundle) {
  static std::string folder;
  static std::string linked;
  if (folder.empty()) {
    std::string name = (fs::temp_directory_path() / "moltrin-lv2-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) return {};
    folder = name;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(folder, ec);
    });
  }
  if (linked != bundle) {
    std::error_code ec;
    fs::remove(folder + "/moltrin.lv2", ec);
    fs::create_directory_symlink(fs::absolute(bundle), folder + "/moltrin.lv2", ec);
    if (ec) return {};
    linked = bundle;
  }
  return folder;
}

LV2_URID MapUri(LV2_URID_Map_Handle handle, const char* uri) { return static_cast<Host*>(handle)->Map(uri); }

const char* UnmapUri(LV2_URID_Unmap_Handle handle, LV2_URID id) { return static_cast<Host*>(handle)->UnmapText(id); }

void AppendProperty(std::vector<uint8_t>& body, LV2_URID key, LV2_URID type, const void* value, uint32_t size) {
  LV2_Atom_Property_Body p{};
  p.key = key;
  p.context = 0;
  p.value.size = size;
  p.value.type = type;
  const auto* head = reinterpret_cast<const uint8_t*>(&p);
  body.insert(body.end(), head, head + sizeof p);
  const auto* bytes = static_cast<const uint8_t*>(value);
  body.insert(body.end(), bytes, bytes + size);
  body.resize(lv2_atom_pad_size(static_cast<uint32_t>(body.size())), 0);
}

}  // namespace

std::string DefaultBundle() {
  if (const char* env = std::getenv("MOLTRIN_LV2_BUNDLE")) return env;
#ifdef MOLTRIN_LV2_BUNDLE_PATH
  return MOLTRIN_LV2_BUNDLE_PATH;
#else
  return "moltrin.lv2";
#endif
}

struct Host::UiState {
  void* library = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  LV2UI_Handle handle = nullptr;
  const LV2UI_Idle_Interface* idle = nullptr;
  LV2UI_Resize resize{};
  LV2UI_Touch touch{};
  float scaleFactor = 0;
  std::vector<LV2_Options_Option> options;
  std::vector<LV2_Feature> featureList;
  std::vector<const LV2_Feature*> features;
  mutable std::mutex lock;
  std::vector<PortWrite> writes;
  std::vector<std::pair<uint32_t, bool>> touches;
};

Host::Host(std::string bundle) : bundle(std::move(bundle)) {
  map = {this, MapUri};
  unmap = {this, UnmapUri};
}

Host::~Host() {
  CloseUi();
  if (instance != nullptr) {
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
  }
  if (world != nullptr) lilv_world_free(world);
}

LV2_URID Host::Map(const std::string& uri) {
  std::lock_guard<std::mutex> guard(mapLock);
  const auto found = ids.find(uri);
  if (found != ids.end()) return found->second;
  uris.push_back(uri);
  const auto id = static_cast<LV2_URID>(uris.size());
  ids.emplace(uri, id);
  return id;
}

const char* Host::UnmapText(LV2_URID id) {
  std::lock_guard<std::mutex> guard(mapLock);
  return id >= 1 && id <= uris.size() ? uris[id - 1].c_str() : nullptr;
}

std::string Host::Unmap(LV2_URID id) {
  std::lock_guard<std::mutex> guard(mapLock);
  return id >= 1 && id <= uris.size() ? uris[id - 1] : std::string();
}

bool Host::Start(double rate, int block, Features wanted) {
  sampleRate = rate;
  maxBlock = block;
  const std::string path = TemporaryLv2Path(bundle);
  if (path.empty() || !fs::exists(bundle + "/manifest.ttl")) {
    error = "no bundle at " + bundle;
    return false;
  }
  setenv("LV2_PATH", path.c_str(), 1);
  world = lilv_world_new();
  lilv_world_load_all(world);
  LilvNode* uri = lilv_new_uri(world, kPluginUri);
  plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  lilv_node_free(uri);
  if (plugin == nullptr) {
    error = std::string("no plug-in ") + kPluginUri + " in LV2_PATH " + path;
    return false;
  }

  // Features.
  optionValues = {static_cast<float>(rate), 1, block, block, static_cast<int32_t>(kInBufferBytes)};
  const LV2_URID atomFloat = Map(LV2_ATOM__Float), atomInt = Map(LV2_ATOM__Int);
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, Map(LV2_PARAMETERS__sampleRate), sizeof(float), atomFloat, &optionValues.rate},
      {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__minBlockLength), sizeof(int32_t), atomInt, &optionValues.minBlock},
      {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), atomInt, &optionValues.maxBlock},
      {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t), atomInt, &optionValues.nominal},
      {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__sequenceSize), sizeof(int32_t), atomInt, &optionValues.sequence},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
  };
  optionsBuffer.assign(reinterpret_cast<const uint8_t*>(options),
                       reinterpret_cast<const uint8_t*>(options) + sizeof options);
  featureList.clear();
  if (wanted.map) {
    featureList.push_back({LV2_URID__map, &map});
    featureList.push_back({LV2_URID__unmap, &unmap});
  }
  if (wanted.options) {
    featureList.push_back({LV2_OPTIONS__options, optionsBuffer.data()});
    featureList.push_back({LV2_BUF_SIZE__boundedBlockLength, nullptr});
  }
  features.clear();
  for (const LV2_Feature& f : featureList) features.push_back(&f);
  features.push_back(nullptr);

  instance = lilv_plugin_instantiate(plugin, rate, features.data());
  if (instance == nullptr) {
    error = "the plug-in refused to be instantiated";
    return false;
  }

  // Ports: control inputs at their defaults, sequences in aligned buffers.
  const uint32_t count = lilv_plugin_get_num_ports(plugin);
  controls.assign(count, 0.0f);
  std::vector<float> defaults(count, 0.0f);
  lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
  LilvNode* minimumSize = lilv_new_uri(world, LV2_RESIZE_PORT__minimumSize);
  for (uint32_t i = 0; i < count; ++i) {
    if (IsControlInput(i)) controls[i] = defaults[i];
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
    const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
    if (symbol == "midi_in") inPort = i;
    if (symbol == "midi_out") {
      outPort = i;
      LilvNodes* sizes = lilv_port_get_value(plugin, port, minimumSize);
      if (sizes != nullptr && lilv_nodes_size(sizes) > 0) outCapacity = static_cast<uint32_t>(lilv_node_as_int(lilv_nodes_get_first(sizes)));
      lilv_nodes_free(sizes);
    }
  }
  lilv_node_free(minimumSize);
  if (outCapacity == 0) outCapacity = 8192;
  inBuffer.assign(kInBufferBytes / 8, 0);
  outBuffer.assign(outCapacity / 8 + 2, 0);
  ReconnectAll();
  lilv_instance_activate(instance);
  return true;
}

bool Host::IsControlInput(uint32_t port) const {
  const LilvPort* p = lilv_plugin_get_port_by_index(plugin, port);
  LilvNode* control = lilv_new_uri(world, LV2_CORE__ControlPort);
  LilvNode* input = lilv_new_uri(world, LV2_CORE__InputPort);
  const bool yes = p != nullptr && lilv_port_is_a(plugin, p, control) && lilv_port_is_a(plugin, p, input);
  lilv_node_free(control);
  lilv_node_free(input);
  return yes;
}

int Host::PortIndex(const std::string& symbol) const {
  LilvNode* node = lilv_new_string(world, symbol.c_str());
  const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
  lilv_node_free(node);
  return port == nullptr ? -1 : static_cast<int>(lilv_port_get_index(plugin, port));
}

std::string Host::PortSymbol(uint32_t port) const {
  const LilvPort* p = lilv_plugin_get_port_by_index(plugin, port);
  return p == nullptr ? std::string() : lilv_node_as_string(lilv_port_get_symbol(plugin, p));
}

void Host::SetControl(uint32_t port, float value) {
  if (port >= controls.size()) return;
  controls[port] = value;
  if (ui && ui->descriptor->port_event != nullptr)
    ui->descriptor->port_event(ui->handle, port, sizeof(float), 0, &controls[port]);
}

void Host::SetControl(const std::string& symbol, float value) {
  const int port = PortIndex(symbol);
  if (port >= 0) SetControl(static_cast<uint32_t>(port), value);
}

void Host::ConnectRaw(uint32_t port, void* data) { lilv_instance_connect_port(instance, port, data); }

void Host::ReconnectAll() {
  for (uint32_t i = 0; i < controls.size(); ++i) {
    if (i == inPort)
      lilv_instance_connect_port(instance, i, inBuffer.data());
    else if (i == outPort)
      lilv_instance_connect_port(instance, i, outBuffer.data());
    else
      lilv_instance_connect_port(instance, i, &controls[i]);
  }
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(inBuffer.data());
  seq->atom.type = Map(LV2_ATOM__Sequence);
  seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
  seq->body.unit = 0;
  seq->body.pad = 0;
}

void Host::SetOutputCapacity(uint32_t bytes) {
  outCapacity = bytes;
  outBuffer.assign(bytes / 8 + 2, 0);
  lilv_instance_connect_port(instance, outPort, outBuffer.data());
}

// ---- Input.

void Host::Append(int64_t frame, LV2_URID type, const void* body, uint32_t size) {
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(inBuffer.data());
  const uint32_t room = kInBufferBytes - static_cast<uint32_t>(sizeof(LV2_Atom));
  if (seq->atom.size + sizeof(LV2_Atom_Event) + lv2_atom_pad_size(size) > room) return;
  auto* event = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&seq->body) + seq->atom.size);
  event->time.frames = frame;
  event->body.type = type;
  event->body.size = size;
  if (size > 0) std::memcpy(event + 1, body, size);
  seq->atom.size += static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + lv2_atom_pad_size(size);
}

void Host::SendMidi(int64_t frame, std::initializer_list<uint8_t> bytes) { SendMidi(frame, std::vector<uint8_t>(bytes)); }

void Host::SendMidi(int64_t frame, const std::vector<uint8_t>& bytes) {
  Append(frame, Map(LV2_MIDI__MidiEvent), bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void Host::SendPosition(int64_t frame, const Position& p) {
  const std::vector<uint8_t> body = PositionBody(p);
  Append(frame, Map(LV2_ATOM__Object), body.data(), static_cast<uint32_t>(body.size()));
}

std::vector<uint8_t> Host::PositionBody(const Position& p) {
  std::vector<uint8_t> body(sizeof(LV2_Atom_Object_Body), 0);
  auto* head = reinterpret_cast<LV2_Atom_Object_Body*>(body.data());
  head->id = 0;
  head->otype = Map(LV2_TIME__Position);
  const LV2_URID atomFloat = Map(LV2_ATOM__Float), atomDouble = Map(LV2_ATOM__Double), atomLong = Map(LV2_ATOM__Long);
  auto addFloat = [&](const char* key, const std::optional<double>& v) {
    if (!v) return;
    const float f = static_cast<float>(*v);
    AppendProperty(body, Map(key), atomFloat, &f, sizeof f);
  };
  if (p.frame) {
    const int64_t f = *p.frame;
    AppendProperty(body, Map(LV2_TIME__frame), atomLong, &f, sizeof f);
  }
  addFloat(LV2_TIME__speed, p.speed);
  if (p.bar) {  // a long as hosts send it; a value no long holds (a test's absurd one) as a double
    if (std::fabs(*p.bar) < 9.0e18) {
      const auto bar = static_cast<int64_t>(*p.bar);
      AppendProperty(body, Map(LV2_TIME__bar), atomLong, &bar, sizeof bar);
    } else {
      const double bar = *p.bar;
      AppendProperty(body, Map(LV2_TIME__bar), atomDouble, &bar, sizeof bar);
    }
  }
  if (p.barBeat) {  // a double, so that positions deep into a song keep their frames
    const double b = *p.barBeat;
    AppendProperty(body, Map(LV2_TIME__barBeat), atomDouble, &b, sizeof b);
  }
  if (p.beat) {
    const double b = *p.beat;
    AppendProperty(body, Map(LV2_TIME__beat), atomDouble, &b, sizeof b);
  }
  addFloat(LV2_TIME__beatsPerBar, p.beatsPerBar);
  if (p.beatUnit) {
    const auto unit = static_cast<int32_t>(*p.beatUnit);
    AppendProperty(body, Map(LV2_TIME__beatUnit), Map(LV2_ATOM__Int), &unit, sizeof unit);
  }
  addFloat(LV2_TIME__beatsPerMinute, p.bpm);
  return body;
}

void Host::SendAtom(int64_t frame, LV2_URID type, const std::vector<uint8_t>& body) {
  Append(frame, type, body.data(), static_cast<uint32_t>(body.size()));
}

void Host::RunBlock(uint32_t frames) {
  auto* seqOut = reinterpret_cast<LV2_Atom_Sequence*>(outBuffer.data());
  seqOut->atom.type = 0;
  seqOut->atom.size = outCapacity - static_cast<uint32_t>(sizeof(LV2_Atom));
  lilv_instance_run(instance, frames);
  ReadOutput();
  ++blocksRun;
  auto* seqIn = reinterpret_cast<LV2_Atom_Sequence*>(inBuffer.data());
  seqIn->atom.size = sizeof(LV2_Atom_Sequence_Body);
}

void Host::RunBlockUncounted(uint32_t frames) {
  auto* seqOut = reinterpret_cast<LV2_Atom_Sequence*>(outBuffer.data());
  seqOut->atom.type = 0;
  seqOut->atom.size = outCapacity - static_cast<uint32_t>(sizeof(LV2_Atom));
  lilv_instance_run(instance, frames);
  eventsCounted += (seqOut->atom.size - static_cast<uint32_t>(sizeof(LV2_Atom_Sequence_Body))) / 24;
  ++blocksRun;
  reinterpret_cast<LV2_Atom_Sequence*>(inBuffer.data())->atom.size = sizeof(LV2_Atom_Sequence_Body);
}

void Host::ReadOutput() {
  const auto* seq = reinterpret_cast<const LV2_Atom_Sequence*>(outBuffer.data());
  if (seq->atom.type != Map(LV2_ATOM__Sequence)) return;
  const LV2_URID midi = Map(LV2_MIDI__MidiEvent);
  LV2_ATOM_SEQUENCE_FOREACH(seq, event) {
    if (event->body.type != midi) {
      ++otherOut;
      const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
      if (event->body.type == Map(LV2_ATOM__Object) && event->body.size >= sizeof(LV2_Atom_Object_Body) &&
          object->body.otype == Map(LV2_STATE__StateChanged))
        ++stateChanges;
      continue;
    }
    MidiOut m;
    m.block = blocksRun;
    m.frame = event->time.frames;
    m.size = event->body.size;
    std::memcpy(m.bytes, event + 1, std::min<uint32_t>(event->body.size, 3));
    out.push_back(m);
  }
}

void Host::Activate() { lilv_instance_activate(instance); }

void Host::Deactivate() { lilv_instance_deactivate(instance); }

// ---- State.

namespace {

struct StateStore {
  Host* host;
  std::vector<Property>* properties;
};

LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                       uint32_t flags) {
  auto* s = static_cast<StateStore*>(handle);
  Property p{s->host->Unmap(key), s->host->Unmap(type), flags,
             std::vector<uint8_t>(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size)};
  s->properties->push_back(std::move(p));
  return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
  auto* s = static_cast<StateStore*>(handle);
  for (const Property& p : *s->properties) {
    if (s->host->Map(p.key) != key) continue;
    *size = p.value.size();
    *type = s->host->Map(p.type);
    *flags = p.flags;
    return p.value.data();
  }
  return nullptr;
}

const void* PortValue(const char* symbol, void* user, uint32_t* size, uint32_t* type) {
  auto* host = static_cast<Host*>(user);
  const int port = host->PortIndex(symbol);
  static thread_local float value;
  if (port < 0 || !host->IsControlInput(static_cast<uint32_t>(port))) {
    *size = 0;
    return nullptr;
  }
  value = host->Control(static_cast<uint32_t>(port));
  *size = sizeof value;
  *type = host->Map(LV2_ATOM__Float);
  return &value;
}

void SetPortValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
  auto* host = static_cast<Host*>(user);
  if (size != sizeof(float) || type != host->Map(LV2_ATOM__Float)) return;
  float v = 0;
  std::memcpy(&v, value, sizeof v);
  host->SetControl(symbol, v);
}

}  // namespace

std::vector<Property> Host::SaveProperties() {
  std::vector<Property> properties;
  const auto* state =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  if (state == nullptr) return properties;
  StateStore s{this, &properties};
  state->save(lilv_instance_get_handle(instance), Store, &s, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data());
  return properties;
}

int Host::RestoreProperties(const std::vector<Property>& properties) {
  const auto* state =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  if (state == nullptr) return -1;
  std::vector<Property> copy = properties;
  StateStore s{this, &copy};
  return state->restore(lilv_instance_get_handle(instance), Retrieve, &s, 0, features.data());
}

std::string Host::SaveStateText() {
  LilvState* state = lilv_state_new_from_instance(plugin, instance, &map, nullptr, nullptr, nullptr, nullptr, PortValue,
                                                  this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data());
  if (state == nullptr) return {};
  char* text = lilv_state_to_string(world, &map, &unmap, state, "urn:moltrin:test-session", nullptr);
  std::string result = text != nullptr ? text : "";
  lilv_free(text);
  lilv_state_free(state);
  return result;
}

bool Host::RestoreStateText(const std::string& text) {
  LilvState* state = lilv_state_new_from_string(world, &map, text.c_str());
  if (state == nullptr) return false;
  lilv_state_restore(state, instance, SetPortValue, this, 0, features.data());
  lilv_state_free(state);
  return true;
}

std::vector<std::pair<std::string, std::string>> Host::Presets() {
  std::vector<std::pair<std::string, std::string>> list;
  LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
  LilvNode* label = lilv_new_uri(world, "http://www.w3.org/2000/01/rdf-schema#label");
  LilvNodes* presets = lilv_plugin_get_related(plugin, presetClass);
  LILV_FOREACH(nodes, i, presets) {
    const LilvNode* preset = lilv_nodes_get(presets, i);
    lilv_world_load_resource(world, preset);
    LilvNode* name = lilv_world_get(world, preset, label, nullptr);
    list.emplace_back(lilv_node_as_uri(preset), name != nullptr ? lilv_node_as_string(name) : "");
    lilv_node_free(name);
  }
  lilv_nodes_free(presets);
  lilv_node_free(label);
  lilv_node_free(presetClass);
  return list;
}

bool Host::ApplyPreset(const std::string& uri) {
  LilvNode* node = lilv_new_uri(world, uri.c_str());
  lilv_world_load_resource(world, node);
  LilvState* state = lilv_state_new_from_world(world, &map, node);
  lilv_node_free(node);
  if (state == nullptr) return false;
  lilv_state_restore(state, instance, SetPortValue, this, 0, features.data());
  lilv_state_free(state);
  return true;
}

// ---- The UI.

void Host::Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
  auto* host = static_cast<Host*>(controller);
  if (protocol != 0 || size != sizeof(float) || port >= host->controls.size()) return;
  float value = 0;
  std::memcpy(&value, buffer, sizeof value);
  {
    std::lock_guard<std::mutex> guard(host->ui->lock);
    host->ui->writes.push_back({port, value});
  }
  host->controls[port] = value;  // as a host does: the port takes the UI's value
}

bool Host::OpenUi(void* parent, float scaleFactor) {
  CloseUi();
  LilvUIs* uis = lilv_plugin_get_uis(plugin);
  LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
  const LilvUI* found = nullptr;
  LILV_FOREACH(uis, i, uis) {
    const LilvUI* candidate = lilv_uis_get(uis, i);
    if (lilv_ui_is_a(candidate, x11)) found = candidate;
  }
  lilv_node_free(x11);
  if (found == nullptr) {
    lilv_uis_free(uis);
    error = "no X11 UI";
    return false;
  }
  char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(found)), nullptr);
  char* uiBundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(found)), nullptr);
  const std::string uiUri = lilv_node_as_uri(lilv_ui_get_uri(found));
  lilv_uis_free(uis);
  auto state = std::make_unique<UiState>();
  state->library = dlopen(binary, RTLD_NOW | RTLD_LOCAL);
  lilv_free(binary);
  if (state->library == nullptr) {
    lilv_free(uiBundle);
    error = dlerror();
    return false;
  }
  using DescriptorFn = const LV2UI_Descriptor* (*)(uint32_t);
  auto entry = reinterpret_cast<DescriptorFn>(dlsym(state->library, "lv2ui_descriptor"));
  for (uint32_t i = 0; entry != nullptr; ++i) {
    const LV2UI_Descriptor* d = entry(i);
    if (d == nullptr) break;
    if (uiUri == d->URI) state->descriptor = d;
  }
  if (state->descriptor == nullptr) {
    dlclose(state->library);
    lilv_free(uiBundle);
    error = "no UI descriptor " + uiUri;
    return false;
  }
  state->resize = {this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                     static_cast<Host*>(h)->uiWidth = w;
                     static_cast<Host*>(h)->uiHeight = hgt;
                     return 0;
                   }};
  state->touch = {this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
                    auto* host = static_cast<Host*>(h);
                    std::lock_guard<std::mutex> guard(host->ui->lock);
                    host->ui->touches.emplace_back(port, grabbed);
                  }};
  state->featureList = {{LV2_UI__parent, parent},
                        {LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(instance)},
                        {LV2_UI__resize, &state->resize},
                        {LV2_UI__touch, &state->touch},
                        {LV2_URID__map, &map},
                        {LV2_URID__unmap, &unmap},
                        {LV2_UI__idleInterface, nullptr}};
  if (scaleFactor > 0) {
    state->scaleFactor = scaleFactor;
    state->options = {{LV2_OPTIONS_INSTANCE, 0, Map(LV2_UI__scaleFactor), sizeof(float), Map(LV2_ATOM__Float),
                       &state->scaleFactor},
                      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    state->featureList.push_back({LV2_OPTIONS__options, state->options.data()});
  }
  for (const LV2_Feature& f : state->featureList) state->features.push_back(&f);
  state->features.push_back(nullptr);
  ui = std::move(state);
  LV2UI_Widget widget = nullptr;
  ui->handle = ui->descriptor->instantiate(ui->descriptor, kPluginUri, uiBundle, Write, this, &widget,
                                           ui->features.data());
  lilv_free(uiBundle);
  if (ui->handle == nullptr) {
    dlclose(ui->library);
    ui.reset();
    error = "the UI refused to be instantiated";
    return false;
  }
  if (ui->descriptor->extension_data != nullptr)
    ui->idle = static_cast<const LV2UI_Idle_Interface*>(ui->descriptor->extension_data(LV2_UI__idleInterface));
  // As hosts do: the UI hears every control port's value first.
  for (uint32_t i = 0; i < controls.size(); ++i)
    if (IsControlInput(i) && ui->descriptor->port_event != nullptr)
      ui->descriptor->port_event(ui->handle, i, sizeof(float), 0, &controls[i]);
  return true;
}

int Host::IdleUi() {
  if (!ui || ui->idle == nullptr) return -1;
  return ui->idle->idle(ui->handle);
}

void Host::CloseUi() {
  if (!ui) return;
  ui->descriptor->cleanup(ui->handle);
  dlclose(ui->library);
  ui.reset();
}

std::vector<PortWrite> Host::UiWrites() const {
  if (!ui) return {};
  std::lock_guard<std::mutex> guard(ui->lock);
  return ui->writes;
}

std::vector<std::pair<uint32_t, bool>> Host::UiTouches() const {
  if (!ui) return {};
  std::lock_guard<std::mutex> guard(ui->lock);
  return ui->touches;
}

void Host::ClearUiRecords() {
  if (!ui) return;
  std::lock_guard<std::mutex> guard(ui->lock);
  ui->writes.clear();
  ui->touches.clear();
}

}  // namespace lv2host
