#pragma once
// What a block is made of, as every plug-in format hands it to the engine and takes it back:
// the host's time, the incoming messages with their frames, the outgoing ones with theirs.
#include <cstdint>

// The host's transport for one block, as the host reports it, before any checks.
struct THostTime {
  double ppqPos = 0;      // song position in quarter notes at the block's first frame
  double samplePos = 0;   // the same in samples
  double sampleRate = 0;
  double tempo = 0;       // quarter notes per minute
  bool playing = false;
};

// One incoming channel message as a format splits it.
struct TMidiMsg {
  uint8_t channel = 0;  // 0..15
  uint8_t status = 0;   // status byte with the channel bits cleared
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

// An incoming message and the frame of the block at which it takes effect.
struct TMidiEvent {
  int32_t frame = 0;
  TMidiMsg msg;
};

// An outgoing message: its whole status byte (message and channel), data, and the frame of the
// block at which it leaves.
struct TMidiOut {
  int32_t frame = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};
