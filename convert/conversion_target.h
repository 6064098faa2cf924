// The two faces of every converter. An external importer reads the format's
// source path, writes its output path and reports unsupported input through
// conversionFailed. A stored-entry converter reads tempWavPath, writes
// decodedWavPath, also sets replayDurationMs and durationText, and reports
// through wavTypeKnown.
#pragma once

#include <string>

struct ConversionTarget {
  std::string source;
  std::string output;
  bool stored = false;  // stored-entry converter (else external importer)
};

ConversionTarget ExternalTarget(const std::string& source, const std::string& output);
ConversionTarget StoredTarget();

// Sets the target's failure flag: conversionFailed = 1 or wavTypeKnown = 0.
void ReportUnsupported(const ConversionTarget& target);
