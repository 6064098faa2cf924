// Host tools for the converter tests: sox, soxi and sndfile-convert are Linux
// programs, so under Wine they never exist and their tests skip visibly.
#pragma once

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

inline bool HostToolAvailable(const std::string& program) {
#ifdef _WIN32
  (void)program;
  return false;
#else
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

// Runs a shell command line on the host; its output goes to outputPath when given.
inline int RunHostTool(const std::string& commandLine, const std::string& outputPath = "") {
  int status = std::system((commandLine + (outputPath.empty() ? " >/dev/null 2>&1" : " >'" + outputPath + "' 2>/dev/null")).c_str());
#ifndef _WIN32
  if (status != -1 && WIFEXITED(status)) return WEXITSTATUS(status);
#endif
  return status;
}

#define REQUIRE_HOST_TOOL(program)                                                      \
  do {                                                                                  \
    if (!HostToolAvailable(program)) GTEST_SKIP() << program << " is not available here"; \
  } while (0)
