#include "host/lv2/Lv2Transport.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>

#include <cmath>

namespace {

bool Number(const TPositionKeys& keys, const LV2_Atom* atom, double& value) {
  if (atom == nullptr) return false;
  double v = 0;
  if (atom->type == keys.atomFloat && atom->size >= sizeof(float))
    v = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
  else if (atom->type == keys.atomDouble && atom->size >= sizeof(double))
    v = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
  else if (atom->type == keys.atomInt && atom->size >= sizeof(int32_t))
    v = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
  else if (atom->type == keys.atomLong && atom->size >= sizeof(int64_t))
    v = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
  else
    return false;
  if (!std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

bool TLv2Transport::TakePosition(const TPositionKeys& keys, const void* body, uint32_t size) {
  if (body == nullptr || size < sizeof(LV2_Atom_Object_Body)) return false;
  double bar = -1, barBeat = -1, beatsPerBar = -1, beat = -1;
  bool any = false;
  // The properties one by one, each checked against the body's end.
  const auto* start = static_cast<const uint8_t*>(body);
  uint32_t offset = sizeof(LV2_Atom_Object_Body);
  while (offset + sizeof(LV2_Atom_Property_Body) <= size) {
    const auto* p = reinterpret_cast<const LV2_Atom_Property_Body*>(start + offset);
    const uint32_t whole = static_cast<uint32_t>(sizeof(LV2_Atom_Property_Body)) + p->value.size;
    if (p->value.size > size - offset - sizeof(LV2_Atom_Property_Body)) break;
    double v = 0;
    if (Number(keys, &p->value, v)) {
      any = true;
      if (p->key == keys.frame) frame = v;
      else if (p->key == keys.speed) speed = v;
      else if (p->key == keys.bar) bar = v;
      else if (p->key == keys.barBeat) barBeat = v;
      else if (p->key == keys.beat) beat = v;
      else if (p->key == keys.beatsPerBar) beatsPerBar = v;
      else if (p->key == keys.beatUnit && v >= 1 && v <= 256) beatUnit = v;
      else if (p->key == keys.beatsPerMinute && v > 0) beatsPerMinute = v;
    }
    offset += lv2_atom_pad_size(whole);
  }
  // The song position: the running beat where the host gives it, else bar and beat in the bar.
  if (beat >= 0)
    beats = beat;
  else if (bar >= 0 && beatsPerBar > 0)
    beats = bar * beatsPerBar + (barBeat >= 0 ? barBeat : 0);
  if (any) known = true;
  UpdateTime();
  return any;
}

void TLv2Transport::UpdateTime() {
  const double quarters = 4.0 / beatUnit;
  time.ppqPos = beats * quarters;
  time.samplePos = frame;
  time.sampleRate = sampleRate;
  time.playing = speed > 0;
  // The tempo the song's frames move at: a transport at half speed takes twice the frames a beat.
  time.tempo = beatsPerMinute * quarters * (speed > 0 ? speed : 1.0);
}

const THostTime* TLv2Transport::Time() {
  if (!known) return nullptr;
  time.sampleRate = sampleRate;
  return &time;
}

void TLv2Transport::Advance(uint32_t frames) {
  if (!known || speed <= 0 || frames == 0) return;
  frame += frames * speed;
  beats += frames / sampleRate * beatsPerMinute / 60.0 * speed;
  UpdateTime();
}
