#pragma once
// One readable source of the factory bank: a program ("07-chord-stabs.txt") or a chain
// ("chain-1.txt"), read and checked on its own.
//
//   # What the program is for, in a line or two: every file starts with a comment.
//   name: Chord Stabs
//   Sync = 1/16                   a setting by its catalogue name, its value as the editor shows it
//   Key_select: Chr Off k1 | k2   a step row from step 1 on; "|" only groups steps for the eye
//   Velocity 17: 100 80           the same row from step 17 on
//   ChainProg: 33 34 - 35         a chain's program slots ("-" is an empty slot)
#include <string>
#include <string_view>
#include <vector>

struct TSetting {
  int tag = 0;
  int value = 0;
  int line = 0;
};

enum class TSourceKind { Program, Chain };

struct TSource {
  std::string path;
  TSourceKind kind = TSourceKind::Program;
  int number = 0;  // program 1..64 or chain 1..8, counted as the editor counts them
  std::string name;  // programs only
  int nameLine = 0;
  std::vector<TSetting> settings;  // in file order, each tag at most once
};

struct TSourceError {
  std::string path;
  int line = 0;  // 0 when the fault lies with the file as a whole
  std::string message;
  std::string Text() const;  // "path:line: message" on one line
};

// Reads one source from its text; the file name gives its kind and number.
bool ParseSource(std::string_view path, std::string_view text, TSource& source, TSourceError& error);
// The same, reading the file first.
bool ParseSourceFile(const std::string& path, TSource& source, TSourceError& error);
