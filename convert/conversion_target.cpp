#include "convert/conversion_target.h"

#include "state/app_state.h"

ConversionTarget ExternalTarget(const std::string& source, const std::string& output) {
  return ConversionTarget{source, output, false};
}

ConversionTarget StoredTarget() { return ConversionTarget{appState.tempWavPath, appState.decodedWavPath, true}; }

void ReportUnsupported(const ConversionTarget& target) {
  if (target.stored) {
    appState.wavTypeKnown = 0;
  } else {
    appState.conversionFailed = 1;
  }
}
