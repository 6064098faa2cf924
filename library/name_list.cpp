#include "library/name_list.h"

#include <utility>

#include "io/file_io.h"
#include "library/container.h"

namespace {

constexpr std::size_t LINE2_KEY_DIGITS = 6;  // line 2 keeps the CRC's first six hex digits, then "00"

// Splits " KEY "NAME"" into its key word and name; false when the line has another layout.
bool SplitPairLine(const std::string& text, std::string& keyWord, std::string& name) {
  if (text.size() < 5 || text[0] != ' ' || text.back() != '"') return false;
  const std::size_t keyEnd = text.find(' ', 1);
  if (keyEnd == std::string::npos || keyEnd == 1 || keyEnd + 1 >= text.size() - 1) return false;
  if (text[keyEnd + 1] != '"') return false;
  keyWord = text.substr(1, keyEnd - 1);
  name = text.substr(keyEnd + 2, text.size() - keyEnd - 3);
  return keyWord.find_first_not_of("0123456789abcdef") == std::string::npos;
}

void ReadPairLine(NameLine& line) {
  if (!SplitPairLine(line.text, line.keyWord, line.name)) return;
  line.crc = ~ComputeNameCrc(line.name);
  const std::string line1Key = KeyText(line.crc);
  const std::string line2Key = PlainHexText(line.crc).substr(0, LINE2_KEY_DIGITS) + "00";
  line.wellFormed = line.keyWord == line1Key || line.keyWord == line2Key;
  line.nameKey = NameKeyOf(line.crc);
}

}  // namespace

bool ReadNameListText(const std::string& path, std::string& text) {
  text.clear();
  Stream list = OpenStream(path, "rb");
  if (!list) return false;
  char buffer[4096];
  for (std::size_t got = ReadBytes(list.get(), buffer, sizeof buffer); got > 0;
       got = ReadBytes(list.get(), buffer, sizeof buffer)) {
    text.append(buffer, got);
  }
  return true;
}

bool ReadNameList(const std::string& path, std::vector<NameLine>& lines) {
  lines.clear();
  std::string text;
  if (!ReadNameListText(path, text)) return false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    NameLine line;
    line.number = static_cast<int>(lines.size()) + 1;
    line.text = text.substr(start, end - start);
    if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
    ReadPairLine(line);
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

std::set<std::string> NameListKeyWords(const std::vector<NameLine>& lines) {
  std::set<std::string> keyWords;
  for (const NameLine& line : lines) {
    if (line.wellFormed) keyWords.insert(line.keyWord);
  }
  return keyWords;
}
