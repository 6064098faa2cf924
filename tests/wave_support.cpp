#include "tests/wave_support.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "library/byte_order.h"

WaveInfo ParseWave(const Bytes& b) {
  WaveInfo w;
  if (b.size() < 44 || !ReadTag(&b[0], "RIFF") || !ReadTag(&b[8], "WAVEfmt ")) {
    ADD_FAILURE() << "not a RIFF/WAVE header";
    return WaveInfo{};
  }
  w.riffSize = ReadU32Le(&b[4]);
  w.fmtSize = ReadU32Le(&b[16]);
  w.formatTag = ReadU16Le(&b[20]);
  w.channels = ReadU16Le(&b[22]);
  w.sampleRate = ReadU32Le(&b[24]);
  w.byteRate = ReadU32Le(&b[28]);
  w.blockAlign = ReadU16Le(&b[32]);
  w.bitsPerSample = ReadU16Le(&b[34]);
  if (w.fmtSize == 16 && ReadTag(&b[36], "data")) {
    w.dataSize = ReadU32Le(&b[40]);
    w.dataOffset = 44;
  } else if (w.fmtSize == 18 && b.size() >= 58 && ReadTag(&b[38], "fact") && ReadTag(&b[50], "data")) {
    w.factSamples = ReadU32Le(&b[46]);
    w.dataSize = ReadU32Le(&b[54]);
    w.dataOffset = 58;
  } else if (w.fmtSize == 16 && b.size() >= 82 && ReadTag(&b[36], "fact") && ReadTag(&b[48], "PEAK")) {
    w.factSamples = ReadU32Le(&b[44]);
    std::size_t dataTag = 56 + ReadU32Le(&b[52]);
    if (dataTag + 8 > b.size() || !ReadTag(&b[dataTag], "data")) {
      ADD_FAILURE() << "float header without its data chunk";
      return WaveInfo{};
    }
    w.dataSize = ReadU32Le(&b[dataTag + 4]);
    w.dataOffset = dataTag + 8;
  } else {
    ADD_FAILURE() << "unknown header layout";
    return WaveInfo{};
  }
  return w;
}

bool HostToolAvailable(const std::string& program) {
#ifdef _WIN32
  (void)program;
  return false;
#else
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

int RunHostTool(const std::string& commandLine, const std::string& outputPath) {
  std::string line = commandLine + (outputPath.empty() ? " >/dev/null 2>&1" : " >'" + outputPath + "' 2>&1");
  int status = std::system(line.c_str());
#ifndef _WIN32
  if (status != -1 && WIFEXITED(status)) return WEXITSTATUS(status);
#endif
  return status;
}
