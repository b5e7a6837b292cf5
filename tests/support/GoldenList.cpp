#include "tests/support/GoldenList.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace golden {

namespace {

std::mutex gWrittenLock;
std::set<std::string> gWritten;  // lists this run has written

std::string EventLine(const Event& e) {
  char line[64];
  std::snprintf(line, sizeof line, "%lld 0x%02X %d %d", e.sample, e.status, e.data1, e.data2);
  return line;
}

bool ReadFile(const std::filesystem::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

}  // namespace

std::string FormatList(const std::string& header, const std::vector<Event>& events) {
  std::string text = "# " + header + "\n";
  for (const Event& e : events) text += EventLine(e) + "\n";
  return text;
}

std::optional<std::vector<Event>> ParseList(const std::string& text, std::string* error) {
  std::vector<Event> events;
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    long long sample = 0;
    unsigned status = 0, data1 = 0, data2 = 0;
    char rest = 0;
    if (std::sscanf(line.c_str(), "%lld %x %u %u %c", &sample, &status, &data1, &data2, &rest) != 4 ||
        status > 0xFF || data1 > 0xFF || data2 > 0xFF) {
      if (error) *error = "line " + std::to_string(number) + " is not \"sample status data1 data2\": " + line;
      return std::nullopt;
    }
    events.push_back({sample, static_cast<uint8_t>(status), static_cast<uint8_t>(data1), static_cast<uint8_t>(data2)});
  }
  return events;
}

std::string Folder() {
  if (const char* env = std::getenv("MOLTRIN_GOLDEN_DIR"); env != nullptr && *env != 0) return env;
  return MOLTRIN_GOLDEN_DIR;
}

bool Updating() {
  const char* env = std::getenv("MOLTRIN_GOLDEN_UPDATE");
  return env != nullptr && std::string(env) == "1";
}

std::string Slug(const std::string& text) {
  std::string slug;
  for (unsigned char c : text) {
    if (std::isalnum(c))
      slug += static_cast<char>(std::tolower(c));
    else if (!slug.empty() && slug.back() != '-')
      slug += '-';
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug;
}

std::string Difference(const std::vector<Event>& kept, const std::vector<Event>& sent, int context) {
  const size_t common = std::min(kept.size(), sent.size());
  size_t first = 0;
  while (first < common && kept[first] == sent[first]) ++first;
  if (first == common && kept.size() == sent.size()) return "";

  std::ostringstream out;
  out << "kept " << kept.size() << ", sent " << sent.size() << " events; the first difference is event " << first + 1
      << " (line " << first + 2 << " of the file):\n";
  char row[160];
  std::snprintf(row, sizeof row, "  %8s  %-22s %-22s\n", "event", "kept", "sent");
  out << row;
  const size_t from = first > static_cast<size_t>(context) ? first - context : 0;
  const size_t to = std::min(std::max(kept.size(), sent.size()), first + context + 1);
  for (size_t i = from; i < to; ++i) {
    const std::string k = i < kept.size() ? EventLine(kept[i]) : "-";
    const std::string s = i < sent.size() ? EventLine(sent[i]) : "-";
    const bool same = i < kept.size() && i < sent.size() && kept[i] == sent[i];
    std::snprintf(row, sizeof row, "%s %8zu  %-22s %-22s\n", same ? " " : ">", i + 1, k.c_str(), s.c_str());
    out << row;
  }
  return out.str();
}

testing::AssertionResult MatchesList(const std::string& name, const std::string& header,
                                     const std::vector<Event>& sent) {
  const std::filesystem::path path = std::filesystem::path(Folder()) / (name + ".txt");
  if (Updating()) {
    std::lock_guard<std::mutex> guard(gWrittenLock);
    if (gWritten.insert(name).second) {
      std::error_code ignored;
      std::filesystem::create_directories(path.parent_path(), ignored);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << FormatList(header, sent);
      if (!out) return testing::AssertionFailure() << "cannot write " << path.string();
      return testing::AssertionSuccess();
    }
  }
  std::string text, error;
  if (!ReadFile(path, text))
    return testing::AssertionFailure() << "no kept list " << path.string()
                                       << " (MOLTRIN_GOLDEN_UPDATE=1 writes it from what was sent)";
  const std::optional<std::vector<Event>> kept = ParseList(text, &error);
  if (!kept) return testing::AssertionFailure() << path.string() << ": " << error;
  const std::string difference = Difference(*kept, sent);
  if (difference.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << name << ": what was sent differs from " << path.string()
                                     << " (MOLTRIN_GOLDEN_UPDATE=1 rewrites it)\n"
                                     << difference;
}

}  // namespace golden
