#pragma once
// Output files appear all together or not at all: each is written under a name of its own
// beside its target (as every file the project saves, keeping the target's permissions), and
// only when every one is written are they renamed over the targets.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TOutputFiles {
 public:
  void Add(const std::string& path, std::vector<uint8_t> bytes);
  void Add(const std::string& path, std::string_view text);
  // Throws TToolError naming the file that could not be written; then none of the files
  // is left behind (a target that was renamed into place already is removed again).
  void Commit();

 private:
  struct TPending {
    std::string path;
    std::vector<uint8_t> bytes;
  };
  std::vector<TPending> files;
};

// A file the tool reads or writes, and what it is to the user ("the input file").
struct TNamedPath {
  std::string what;
  std::string path;
};

// Checked before anything is read or written: an output that is the same file as an input
// (also through a link) or as another output, that is a folder, or whose folder does not
// exist, is refused with a TToolError naming it.
void CheckOutputPaths(const std::vector<TNamedPath>& outputs, const std::vector<TNamedPath>& inputs);
