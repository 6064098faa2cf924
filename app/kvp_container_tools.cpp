#include "app/kvp_container_tools.h"

#include <filesystem>

#include "library/container_check.h"
#include "platform/headless.h"
#include "state/app_state.h"

namespace {

const char* SeverityWord(FindingSeverity severity) { return severity == FindingSeverity::Error ? "error" : "warning"; }

std::string Plural(std::size_t count, const std::string& word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The program's paths without its start-up's side effects: with no Documents
// folder nothing is created, and no window is made.
void SetUpPathsOnly(const KvpRequest& request) {
  HeadlessReset((std::filesystem::path(request.programFolder) / "kvp").string(), "");
  InitializeAppState();
  SetUpProgramPaths();
}

}  // namespace

int RunContainerCheck(const KvpRequest& request, std::ostream& out) {
  SetUpPathsOnly(request);
  appState.checkedContainerPath = KvpFullPath(request.args[0]);
  CheckContainer();
  const ContainerReport& report = appState.containerReport;
  const std::string name = std::filesystem::path(request.args[0]).filename().string();
  if (!report.isContainer) {
    out << "error not-a-container " << name << ": " << report.notContainerReason << "\n";
    out << name << ": not a container\n";
    return KVP_NOT_A_CONTAINER;
  }
  std::size_t errors = 0;
  for (const ContainerFinding& finding : report.findings) {
    out << SeverityWord(finding.severity) << " " << finding.code << " " << finding.where << ": " << finding.what
        << "\n";
    if (finding.severity == FindingSeverity::Error) ++errors;
  }
  const std::size_t warnings = report.findings.size() - errors;
  out << name << ": " << report.entryCount << (report.entryCount == 1 ? " entry" : " entries") << ", ";
  if (report.findings.empty()) {
    out << "no findings\n";
    return 0;
  }
  out << Plural(errors, "error") << ", " << Plural(warnings, "warning") << "\n";
  return 1;
}
