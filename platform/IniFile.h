#pragma once
// Ini-style text files: "[section]" lines, "key=value" lines, comments starting with ';' or
// '#'. Section and key names match without regard to case, and the first of two equal names
// counts, as on Windows. The same small reader and writer on every system.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A whole number as ini files write them: decimal, or hexadecimal after "$" or "0x", with an
// optional sign and blanks around. Anything else, or a number outside 32 bits, is no integer.
std::optional<int> ParseIniInteger(std::string_view text);

class TIniFile {
 public:
  // Reads the file now. A missing file reads as empty and is created by the first write; a
  // file that exists but cannot be read (or is far too large for settings) reads as empty and
  // is never written over.
  explicit TIniFile(std::string path);

  const std::string& Path() const { return path; }
  // The value of the key, or `fallback` when the key is missing or not an integer.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // The values of several keys of one section, read in one pass however long the section is:
  // entry i is the value of keys[i], or nothing when it is missing.
  std::vector<std::optional<std::string>> ReadStrings(std::string_view section,
                                                      std::span<const std::string_view> keys) const;
  // Section names in file order, each once.
  std::vector<std::string> SectionNames() const;
  // Sets the key and writes the whole file at once (to a temporary file renamed over the old
  // one, so a failed write never leaves half a file). False when it could not be written.
  bool WriteInteger(std::string_view section, std::string_view key, int value);

 private:
  struct TKeyLine {
    size_t line;
    std::string value;
  };
  std::optional<size_t> FindSection(std::string_view section) const;
  std::optional<TKeyLine> FindKey(size_t sectionLine, std::string_view key) const;
  // Calls visit(line, key, value) for the key lines of a section until it answers true.
  template <typename F>
  void ForEachKey(size_t sectionLine, F visit) const;
  bool Save() const;

  std::string path;
  std::vector<std::string> lines;
  bool writable = true;
};
