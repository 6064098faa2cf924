// Reading a name list (a container's .dat or CrcLog.dat) line by line, for
// the check and the repair. A well-formed line is a space, a key word, a
// space and a quoted name, and its key word is one of the two that the
// name's CRC gives (line 1 or line 2 of a pair).
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct NameLine {
  int number = 0;  // from 1
  std::string text;
  bool wellFormed = false;
  std::string keyWord;        // when well-formed
  std::string name;           // when well-formed
  std::uint32_t crc = 0;      // of the name, when well-formed
  std::uint32_t nameKey = 0;  // the key an entry of that name is stored with
};

// The whole list at path as it is stored; false when it cannot be read.
bool ReadNameListText(const std::string& path, std::string& text);
// The lines of the list at path, without their line ends; false when it cannot be read.
bool ReadNameList(const std::string& path, std::vector<NameLine>& lines);
// The key words the list's well-formed lines carry, as the program's lookup would find them.
std::set<std::string> NameListKeyWords(const std::vector<NameLine>& lines);
