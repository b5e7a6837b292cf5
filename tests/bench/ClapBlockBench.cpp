// The real-time path through moltrin.clap, as a CLAP host's audio thread calls it: the blocks
// of BM_ProcessBlock (48 kHz, eight keys held, "1/48", 64 chord steps) through clap_plugin.process
// with the transport in the block, the same three messages inside, and a block split by a
// parameter value in its middle. A lean host: fixed event lists, outgoing events only counted.
// MOLTRIN_CLAP_MODULE points it at another build.
#include <benchmark/benchmark.h>

#include <clap/events.h>
#include <clap/fixedpoint.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "hosts/clap/ClapHost.h"

namespace {

constexpr int kMaxFrames = 4096;
constexpr double kSampleRate = 48000;
constexpr clap_id kProgram = 1000000;

long gEventsOut = 0;

const clap_host_t* LeanHost() {
  static const char marker = 0;
  static clap_host_t host{CLAP_VERSION_INIT, nullptr, "bench", "", "", "1",
                          [](const clap_host_t*, const char* id) -> const void* {
                            return std::strcmp(id, "org.moltrin.no-factory-bank") == 0 ? &marker : nullptr;
                          },
                          [](const clap_host_t*) {}, [](const clap_host_t*) {}, [](const clap_host_t*) {}};
  return &host;
}

// A fixed list of events, in frame order.
struct List {
  clap_input_events_t in{this, [](const clap_input_events_t* l) {
                           return static_cast<uint32_t>(static_cast<const List*>(l->ctx)->headers.size());
                         },
                         [](const clap_input_events_t* l, uint32_t i) {
                           return static_cast<const List*>(l->ctx)->headers[i];
                         }};
  std::vector<clap_event_midi_t> midi;
  std::vector<clap_event_note_t> notes;
  std::vector<clap_event_param_value_t> values;
  std::vector<const clap_event_header_t*> headers;
};

class Instance {
 public:
  explicit Instance(benchmark::State& state) {
    std::string error;
    const clap_plugin_entry_t* entry = claphost::LoadEntry(claphost::DefaultModulePath(), &error);
    const auto* factory =
        entry != nullptr ? static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID)) : nullptr;
    if (factory == nullptr ||
        (plugin = factory->create_plugin(factory, LeanHost(), factory->get_plugin_descriptor(factory, 0)->id)) == nullptr ||
        !plugin->init(plugin)) {
      state.SkipWithError(error.empty() ? "the factory refused" : error.c_str());
      plugin = nullptr;
      return;
    }
    params = static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    Write(kProgram, 1);
    plugin->activate(plugin, kSampleRate, 1, kMaxFrames);
    plugin->start_processing(plugin);
    transport.header = {sizeof transport, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    transport.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_HAS_SECONDS_TIMELINE;
    transport.tempo = 120;
    out.ctx = nullptr;
    out.try_push = [](const clap_output_events_t*, const clap_event_header_t*) {
      ++gEventsOut;
      return true;
    };
  }
  ~Instance() {
    if (plugin == nullptr) return;
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  explicit operator bool() const { return plugin != nullptr; }

  // Before activation, through flush on the main thread.
  void Write(clap_id id, double value) {
    List one;
    one.values.push_back(Value(id, value, 0));
    one.headers.push_back(&one.values.back().header);
    params->flush(plugin, &one.in, &out);
  }
  static clap_event_param_value_t Value(clap_id id, double value, uint32_t frame) {
    return {{sizeof(clap_event_param_value_t), frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0},
            id, nullptr, -1, -1, -1, -1, value};
  }

  void Play(bool playing) {
    transport.flags = (transport.flags & ~CLAP_TRANSPORT_IS_PLAYING) | (playing ? CLAP_TRANSPORT_IS_PLAYING : 0);
  }
  void Block(const List& list, int frames = 64) {
    transport.song_pos_beats = static_cast<clap_beattime>(ppq * CLAP_BEATTIME_FACTOR);
    transport.song_pos_seconds = static_cast<clap_sectime>(samplePos / kSampleRate * CLAP_SECTIME_FACTOR);
    clap_process_t process{};
    process.frames_count = static_cast<uint32_t>(frames);
    process.transport = &transport;
    process.in_events = &list.in;
    process.out_events = &out;
    plugin->process(plugin, &process);
    samplePos += frames;
    if (transport.flags & CLAP_TRANSPORT_IS_PLAYING) ppq += frames / kSampleRate * transport.tempo / 60.0;
  }

  clap_event_transport_t transport{};

 private:
  const clap_plugin_t* plugin = nullptr;
  const clap_plugin_params_t* params = nullptr;
  clap_output_events_t out{};
  double ppq = 0, samplePos = 0;
};

clap_event_midi_t Midi(uint8_t status, uint8_t data1, uint8_t data2, uint32_t frame) {
  return {{sizeof(clap_event_midi_t), frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0}, 0, {status, data1, data2}};
}

// As BM_ProcessBlock; the third argument: 0 nothing inside the block, 1 controller 1, bend and
// controller 1 inside it, 2 a parameter value (the gate) in its middle, which splits it.
void BM_ClapProcessBlock(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(1));
  const int inside = static_cast<int>(state.range(2));
  Instance p(state);
  if (!p) return;
  p.Write(tagSync, 0);
  p.Write(tagSteps, 64);
  for (int step = 0; step < kMaxSteps; ++step) p.Write(static_cast<clap_id>(tagKey_select + step), 6);
  List keys;
  keys.midi.reserve(8);
  for (int key : {48, 52, 55, 59, 62, 65, 69, 72}) keys.midi.push_back(Midi(0x90, static_cast<uint8_t>(key), 100, 0));
  for (const clap_event_midi_t& m : keys.midi) keys.headers.push_back(&m.header);
  const List none;
  p.transport.tempo = static_cast<double>(state.range(0));
  p.Play(true);
  p.Block(keys, frames);
  for (int i = 0; i < 64000 / frames; ++i) p.Block(none, frames);
  List list;
  list.midi = {Midi(0xB0, 1, 64, static_cast<uint32_t>(frames / 9)), Midi(0xE0, 0, 70, static_cast<uint32_t>(frames / 2)),
               Midi(0xB0, 1, 65, static_cast<uint32_t>(frames * 4 / 5))};
  list.values = {Instance::Value(tagGate, 50, static_cast<uint32_t>(frames / 2)),
                 Instance::Value(tagGate, 60, static_cast<uint32_t>(frames / 2))};
  if (inside == 1)
    for (const clap_event_midi_t& m : list.midi) list.headers.push_back(&m.header);
  int flip = 0;
  gEventsOut = 0;
  for (auto _ : state) {
    if (inside == 2) {  // alternating values, so that each is a change
      list.headers.assign(1, &list.values[static_cast<size_t>(flip)].header);
      flip ^= 1;
    }
    p.Block(inside != 0 ? list : none, frames);
  }
  state.counters["events_out_per_block"] =
      benchmark::Counter(static_cast<double>(gEventsOut), benchmark::Counter::kAvgIterations);
  state.SetLabel(std::to_string(frames) + " frames, " + (state.range(0) == 120 ? "120 bpm" : "a step in every 64 frames") +
                 (inside == 1 ? ", 3 messages inside" : inside == 2 ? ", a value in the middle" : ""));
}
BENCHMARK(BM_ClapProcessBlock)
    ->Args({120, 64, 0})
    ->Args({3750, 64, 0})
    ->Args({120, 4096, 0})
    ->Args({120, 64, 1})
    ->Args({3750, 64, 1})
    ->Args({120, 64, 2})
    ->Args({120, 4096, 2})
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

}  // namespace
