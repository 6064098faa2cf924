#include "app/kvp_arguments.h"

#include <filesystem>
#include <iterator>
#include <string_view>

const char* const KVP_HELP_TEXT =
    "usage: kvp [--program-dir DIR] [--documents-dir DIR] [--pcm] [--documents] [--state] COMMAND ARGS\n"
    "\n"
    "Runs Korvel Player's own commands without its window. Every status text the\n"
    "program shows is printed on a line of its own; message boxes go to standard\n"
    "error, and so does a line naming what the program refused with a beep alone.\n"
    "kvp stops at the first refused step. The exit status is 2 for a usage mistake,\n"
    "1 when a step was refused or its play or conversion failed, else 0.\n"
    "\n"
    "commands:\n"
    "  new NAME                  make the empty container NAME.kvf / NAME.dat in the program folder\n"
    "  list CONTAINER            load a container; print its playlist rows, then the load status\n"
    "  add CONTAINER FILE...     add files to a container, one after the other\n"
    "  play CONTAINER N          play entry N, as a click on row N-1 of the list would, and\n"
    "                            play it on the default sound output (Ctrl-C stops it)\n"
    "  export CONTAINER N        play entry N, then Export > Wav (Current)\n"
    "  export-all CONTAINER      Export > Wav (En_Mass)\n"
    "  share CONTAINER           Share > Kvf/Dat (Current): copy the pair to Documents/Export_KVF\n"
    "  open FILE [--export]      Wavs > Play_Wav on FILE, played as play does; with --export,\n"
    "                            Export > Wav (External) instead of playing\n"
    "  check CONTAINER           read the container, its name list and CrcLog.dat, change\n"
    "                            nothing, and print a line per finding (error or warning, a\n"
    "                            code word, where, what) and a summary; exit status 0 when\n"
    "                            clean, 1 with findings, 3 when it is not a container\n"
    "  repair CONTAINER [--apply]  print what a repair would do (exit status 0: nothing, 1: a\n"
    "                            plan); with --apply, mend the container: the originals stay as\n"
    "                            NAME.kvf.bak / NAME.dat.bak, bytes no kept entry holds go to\n"
    "                            NAME.salvage/ (exit status 0 when it checks clean, 1 when it\n"
    "                            could not be mended and is as it was)\n"
    "\n"
    "options:\n"
    "  --program-dir DIR     the program folder; it holds Export/ and Export/Conversions/ (the\n"
    "                        working and exported files), new containers and CrcLog.dat.\n"
    "                        Default: the folder of this kvp file when it holds a writable\n"
    "                        Export/Conversions, else $XDG_DATA_HOME/korvel-player\n"
    "                        (~/.local/share/korvel-player), made when first used\n"
    "  --documents-dir DIR   the Documents folder (default: the user's)\n"
    "  --pcm                 Options > Save as Pcm before the command\n"
    "  --documents           Options > Save in Documents before the command\n"
    "  --state               print the program's state afterwards, one name=value a line\n"
    "  --no-sound            play and open prepare the wave but do not play it\n"
    "  --help                this text\n"
    "  --version             the program's version\n";

const char* const KVP_USAGE_HINT = "usage: kvp [OPTIONS] COMMAND ARGS (kvp --help explains them)\n";

namespace {

// A command's synopsis (its name, then its arguments) and how many arguments it takes.
struct CommandShape {
  const char* synopsis;
  std::size_t minArgs;
  std::size_t maxArgs;
};

constexpr std::size_t ANY_NUMBER = SIZE_MAX;

// clang-format off
const CommandShape COMMANDS[] = {
    {"new NAME", 1, 1},
    {"list CONTAINER", 1, 1},
    {"add CONTAINER FILE...", 2, ANY_NUMBER},
    {"play CONTAINER N", 2, 2},
    {"export CONTAINER N", 2, 2},
    {"export-all CONTAINER", 1, 1},
    {"share CONTAINER", 1, 1},
    {"open FILE [--export]", 1, 1},
    {"check CONTAINER", 1, 1},
    {"repair CONTAINER [--apply]", 1, 1},
};
// clang-format on

}  // namespace

std::string KvpFullPath(const std::string& path) {
#ifndef _WIN32
  if (!path.empty() && path[0] == '/') return path;  // already full: the library would only split it and join it again
#endif
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

std::int32_t KvpEntryNumber(const std::string& text) {
  const bool digitsOnly = text.find_first_not_of("0123456789") == std::string::npos;
  if (text.empty() || text.size() > 10 || !digitsOnly) return 0;
  const long long n = std::stoll(text);
  return n > INT32_MAX ? 0 : static_cast<std::int32_t>(n);
}

std::string ParseKvpArguments(const std::vector<std::string>& arguments, KvpRequest& request) {
  std::vector<std::string> words;
  words.reserve(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    const bool startsLikeOption = arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9');
    if (arg == "--help" || arg == "-h") {
      request.helpWanted = true;
      return "";
    } else if (arg == "--version") {
      request.versionWanted = true;
      return "";
    } else if (arg == "--program-dir" || arg == "--documents-dir") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) return arg + " needs a folder";
      ++i;
      const std::string folder = KvpFullPath(arguments[i]);
      if (arg == "--program-dir") {
        request.programFolder = folder;
        request.programFolderGiven = true;
      } else {
        request.documentsFolder = folder;
      }
    } else if (arg == "--pcm") {
      request.savePcm = true;
    } else if (arg == "--documents") {
      request.saveInDocuments = true;
    } else if (arg == "--state") {
      request.printState = true;
    } else if (arg == "--no-sound") {
      request.playSound = false;
    } else if (arg == "--export") {
      request.exportAfterOpen = true;
    } else if (arg == "--apply") {
      request.applyRepair = true;
    } else if (startsLikeOption) {
      return "unknown option '" + arg + "'";
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return "no command given";
  request.command = words[0];
  request.args.assign(std::make_move_iterator(words.begin() + 1), std::make_move_iterator(words.end()));
  const CommandShape* shape = nullptr;
  for (const CommandShape& candidate : COMMANDS) {
    const std::string_view synopsis = candidate.synopsis;  // the command's name, a space, its arguments
    const std::size_t length = request.command.size();
    if (synopsis.size() > length && synopsis.compare(0, length, request.command) == 0 && synopsis[length] == ' ') {
      shape = &candidate;
    }
  }
  if (shape == nullptr) return "unknown command '" + request.command + "'";
  if (request.args.size() < shape->minArgs || request.args.size() > shape->maxArgs) {
    return "wrong arguments for " + request.command + ": kvp " + shape->synopsis;
  }
  if (request.exportAfterOpen && request.command != "open") return "--export goes with open only";
  if (request.applyRepair && request.command != "repair") return "--apply goes with repair only";
  const bool takesEntry = request.command == "play" || request.command == "export";
  if (takesEntry && KvpEntryNumber(request.args[1]) == 0) {
    return "'" + request.args[1] + "' is not an entry number (1, 2, ...)";
  }
  return "";
}
