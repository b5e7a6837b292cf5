#pragma once
// TChainPlayer: program chains. It switches to the chain CurChain names and, while a chain is in
// force, moves to the chain's next program each time the pattern comes round, on the chain
// quantize's grid; a switch sends the chain's bank, program and volume messages.
#include <atomic>

class TProgramStore;
class TMidiOutList;
class TArpClock;
struct TBlockSettings;

class TChainPlayer {
 public:
  // Any thread: CurChain was written, or a bank put a chain in force.
  void RequestSwitch() { switchRequest_.store(true, std::memory_order_relaxed); }
  bool SwitchRequested() const { return switchRequest_.load(std::memory_order_relaxed); }

  // Audio thread, under the engine lock. At a frame the clock was read at: true when another
  // program is current afterwards.
  bool Check(TProgramStore& store, TMidiOutList& out, const TBlockSettings& block, const TArpClock& clock);
  // The chain starts over at its first slot (a clock starts, or stops).
  void Restart() { pos_ = 0; }
  // The slot now playing, as the editor shows it (any thread).
  int ShownPosition() const { return shown_.load(std::memory_order_relaxed); }
  void Publish() { shown_.store(pos_, std::memory_order_relaxed); }
  // The chain in force (0: none), any thread. CurChain names the chain asked for; this one
  // follows it at the chain quantize.
  int InForce() const { return inForceShown_.load(std::memory_order_relaxed); }

 private:
  void Switch(TProgramStore& store, TMidiOutList& out, const TBlockSettings& block, int chain);
  void Advance(TProgramStore& store);

  int inForce_ = 0;
  int pos_ = 0;  // the slot of the chain in force now playing
  std::atomic<bool> switchRequest_{false};
  std::atomic<int> shown_{0};
  std::atomic<int> inForceShown_{0};
};
