// Host tools of the converter tests. sox, soxi and sndfile-convert are Linux
// programs: under Wine they never exist, and their tests skip visibly.
#pragma once

#include <cstdlib>
#include <string>

inline bool HostToolAvailable(const std::string& program) {
#ifdef _WIN32
  return program.empty();
#else
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
#endif
}
// Runs a command line on the host, its output to outputPath when given; true when it exits with 0.
inline bool RunHostTool(const std::string& line, const std::string& outputPath = "") {
  return std::system((line + (outputPath.empty() ? " >/dev/null" : " >'" + outputPath + "'") + " 2>/dev/null").c_str()) == 0;
}
