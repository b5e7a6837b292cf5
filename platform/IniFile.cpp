#include "platform/IniFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <cstdint>
#include <unordered_map>

#include "platform/Files.h"

namespace {

constexpr size_t kMaxIniBytes = 1 << 20;  // settings and skins are a few kilobytes

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Hashing and comparing names without regard to case, for looking names up.
struct TNameHash {
  size_t operator()(std::string_view name) const {
    size_t h = 14695981039346656037ull;
    for (char c : name) h = (h ^ static_cast<size_t>(std::tolower(static_cast<unsigned char>(c)))) * 1099511628211ull;
    return h;
  }
};
struct TNameEqual {
  bool operator()(std::string_view a, std::string_view b) const { return SameName(a, b); }
};

// The name of a "[section]" line, or nothing for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return !line.empty() && (line.front() == ';' || line.front() == '#');
}

}  // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (char ch : text) {
    int digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else return std::nullopt;
    value = value * base + digit;
    // Hexadecimal may spell a colour with the top bit set ($FFFFFFFF); decimal must fit.
    if (value > 0xFFFFFFFFll) return std::nullopt;
  }
  if (base == 10) {
    if (negative) value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
  }
  const uint32_t bits = static_cast<uint32_t>(value);
  return static_cast<int>(negative ? 0u - bits : bits);
}

TIniFile::TIniFile(std::string filePath) : path(std::move(filePath)) {
  std::string text;
  switch (ReadWholeFile(path, kMaxIniBytes, text)) {
    case TReadResult::Missing: return;
    case TReadResult::Failed: writable = false; return;
    case TReadResult::Read: break;
  }
  lines.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
}

std::optional<size_t> TIniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionOf(lines[i]);
    if (name && SameName(*name, Trim(section))) return i;
  }
  return std::nullopt;
}

template <typename F>
void TIniFile::ForEachKey(size_t sectionLine, F visit) const {
  for (size_t i = sectionLine + 1; i < lines.size() && !SectionOf(lines[i]); ++i) {
    if (IsComment(lines[i])) continue;
    const std::string_view line = lines[i];
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (visit(i, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)))) return;
  }
}

std::optional<TIniFile::TKeyLine> TIniFile::FindKey(size_t sectionLine, std::string_view key) const {
  std::optional<TKeyLine> found;
  ForEachKey(sectionLine, [&](size_t line, std::string_view name, std::string_view value) {
    if (SameName(name, Trim(key))) found = TKeyLine{line, std::string(value)};
    return found.has_value();
  });
  return found;
}

std::optional<std::string> TIniFile::ReadString(std::string_view section, std::string_view key) const {
  const auto s = FindSection(section);
  if (!s) return std::nullopt;
  const auto k = FindKey(*s, key);
  if (!k) return std::nullopt;
  return k->value;
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  const auto text = ReadString(section, key);
  if (!text) return fallback;
  return ParseIniInteger(*text).value_or(fallback);
}

std::vector<std::optional<std::string>> TIniFile::ReadStrings(std::string_view section,
                                                              std::span<const std::string_view> keys) const {
  std::vector<std::optional<std::string>> values(keys.size());
  std::unordered_map<std::string_view, size_t, TNameHash, TNameEqual> wanted;
  for (size_t i = 0; i < keys.size(); ++i) wanted.try_emplace(Trim(keys[i]), i);
  if (const auto s = FindSection(section))
    ForEachKey(*s, [&](size_t, std::string_view name, std::string_view value) {
      const auto found = wanted.find(name);
      if (found != wanted.end() && !values[found->second]) values[found->second] = std::string(value);
      return false;
    });
  // A key asked for twice reads the same value both times.
  for (size_t i = 0; i < keys.size(); ++i) values[i] = values[wanted.at(Trim(keys[i]))];
  return values;
}

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string_view> headings;
  for (const std::string& line : lines)
    if (const auto name = SectionOf(line)) headings.push_back(*name);
  // A name given before, in any case, names that earlier section. The names kept are found
  // again through a table of their indexes (open addressing, at most half full), so each
  // heading costs one lookup however many sections the file holds.
  constexpr size_t kFree = SIZE_MAX;
  size_t size = 16;
  while (size < 2 * headings.size()) size *= 2;
  std::vector<size_t> table(size, kFree);
  std::vector<std::string> names;
  for (const std::string_view name : headings) {
    size_t slot = TNameHash{}(name) & (size - 1);
    while (table[slot] != kFree && !SameName(names[table[slot]], name)) slot = (slot + 1) & (size - 1);
    if (table[slot] != kFree) continue;
    table[slot] = names.size();
    names.emplace_back(name);
  }
  return names;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  if (!writable) return false;
  std::string entry(Trim(key));
  entry.append("=").append(std::to_string(value));
  if (const auto s = FindSection(section)) {
    if (const auto k = FindKey(*s, key)) {
      lines[k->line] = entry;
    } else {
      // After the section's last line that holds something.
      size_t at = *s + 1;
      for (size_t i = *s + 1; i < lines.size() && !SectionOf(lines[i]); ++i)
        if (!Trim(lines[i]).empty()) at = i + 1;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    std::string heading("[");
    heading.append(Trim(section)).append("]");
    lines.push_back(std::move(heading));
    lines.push_back(entry);
  }
  return Save();
}

bool TIniFile::Save() const {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
#ifdef _WIN32
    text += "\r\n";
#else
    text += "\n";
#endif
  }
  return WriteWholeFileSafely(path, text);
}
