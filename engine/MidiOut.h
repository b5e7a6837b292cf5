#pragma once
// The messages a block sends, gathered as the block is worked through and handed to the format
// at its end in the order they leave. Fixed size: nothing here allocates.
#include <array>
#include <span>

#include "engine/MidiTypes.h"

class TMidiOutList {
 public:
  static constexpr int kCapacity = 2047;  // what a VST 2.x host takes in one block
  static constexpr int kNoteOffReserve = 64;

  // The frame the messages emitted from now on leave at (0 outside a block).
  void SetFrame(int frame) { frame_ = frame; }
  // Queues a message. Note-offs may use the whole list; everything else leaves room for them,
  // so that no flood of other messages can crowd out the end of a note. False when dropped.
  bool Emit(int message, int channel, int data1, int data2);
  bool RoomForNoteOn() const { return count_ < kCapacity - kNoteOffReserve; }
  // The block's messages in the order they leave, frame by frame, note-offs first within a
  // frame; the list is empty again afterwards. The span stays valid until the next Finish.
  std::span<const TMidiOut> Finish();

 private:
  struct TQueued {
    uint8_t message, channel, data1, data2;
    int32_t frame;
  };
  void OrderFrame(int begin, int end);
  std::array<TQueued, kCapacity> queued_{};
  int count_ = 0;
  int frame_ = 0;
  std::array<TMidiOut, kCapacity> sent_{};
  int sentCount_ = 0;
};
