#pragma once
// The plug-in's ports as the LV2 description lists them, and the values of its control ports.
// Port indexes and symbols are part of every saved session: they stay as they are for good, a
// new setting gets a new symbol at the end, and a symbol is never reused.
#include <cstdint>
#include <span>

class TPlugin;

enum TLv2Port : uint32_t {
  kPortMidiIn = 0,   // atom sequence: MIDI and time:Position
  kPortMidiOut = 1,  // atom sequence: MIDI
  kPortProgram = 2,  // the current program, 0..63
  kFirstSettingPort = 3,
};

// A setting the host sees as a control port: the tag it writes and the port's symbol.
struct TLv2Setting {
  int tag;
  const char* symbol;
};

// The global settings, then the program's, in the order of their tags.
inline constexpr TLv2Setting kLv2Settings[] = {
    {1, "midi_in_channel"},     {2, "midi_out_channel"},   {3, "arp_enabled"},
    {4, "midi_thru"},           {17, "chain_count"},       {18, "current_chain"},
    {20, "chain_quantize"},     {81, "send_patch"},        {82, "send_bank"},
    {83, "send_volume"},        {210, "steps"},            {211, "gate"},
    {212, "sync"},              {213, "latch"},            {214, "missing_keys"},
    {215, "input_range_low"},   {216, "input_range_high"}, {217, "output_range_low"},
    {218, "output_range_high"}, {219, "order"},            {220, "fixed_key"},
    {221, "transpose_octaves"}, {222, "input_quantize"},   {223, "transpose_semitones"},
    {224, "scroll"},            {225, "swing"},            {226, "restart_on"},
    {227, "scale_root"},        {228, "force_scale"},      {229, "follow_chord"},
    {230, "page_lock"},
};
inline constexpr uint32_t kSettingPortCount = sizeof kLv2Settings / sizeof kLv2Settings[0];
inline constexpr uint32_t kPortCount = kFirstSettingPort + kSettingPortCount;

// The setting of a control port, or null for the other ports.
const TLv2Setting* SettingOfPort(uint32_t port);
// The control port of a tag, or -1 when the host does not see the tag as a port.
int PortOfTag(int tag);

// The range a control port shows: the tag's stored values (the current chain up to the largest
// chain count, whatever the count in force).
struct TPortRange {
  int min = 0, max = 0;
};
TPortRange RangeOfPort(uint32_t port);

// A control port's value as the engine holds it now (any thread), and a port value handed to
// the engine: rounded to the nearest whole value and kept inside the range in force. False
// when the port is no control port.
bool ReadPortValue(const TPlugin& plugin, uint32_t port, float& value);
bool WritePortValue(TPlugin& plugin, uint32_t port, float value);
