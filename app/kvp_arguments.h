// kvp's command line: the text of --help, and the reading of the options and
// words into a request, with every usage mistake that can be told before the
// program starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern const char* const KVP_HELP_TEXT;
// The line after a usage mistake.
extern const char* const KVP_USAGE_HINT;

// The options and words of one command line.
struct KvpRequest {
  std::string programFolder;
  std::string documentsFolder;
  bool programFolderGiven = false;
  bool savePcm = false;
  bool saveInDocuments = false;
  bool printState = false;
  bool playSound = true;
  bool exportAfterOpen = false;
  bool applyRepair = false;
  bool helpWanted = false;
  bool versionWanted = false;
  std::string command;
  std::vector<std::string> args;
};

// Reads the options and words into request, whose folders hold their
// defaults; an empty text, or the usage mistake found.
std::string ParseKvpArguments(const std::vector<std::string>& arguments, KvpRequest& request);
// An entry number as typed: decimal digits only, from 1 to INT32_MAX; 0 when it is none.
std::int32_t KvpEntryNumber(const std::string& text);
// The path made absolute, or as given when that cannot be done.
std::string KvpFullPath(const std::string& path);
