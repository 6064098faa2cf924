#include "app/kvp_container_tools.h"

#include <filesystem>

#include "app/kept_start.h"
#include "library/container.h"
#include "library/container_check.h"
#include "library/container_repair.h"
#include "library/repair_plan.h"
#include "platform/headless.h"
#include "state/app_state.h"

namespace {

std::string Plural(std::size_t count, const std::string& word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The program's paths without its start-up's side effects: with no Documents
// folder nothing is created, and no window is made.
void SetUpPathsOnly(const KvpRequest& request) {
  static KeptStart kept;
  StartOrGoBack(kept, request.programFolder, [&] {
    HeadlessReset((std::filesystem::path(request.programFolder) / "kvp").string(), "");
    InitializeAppState();
    SetUpProgramPaths();
  });
}

std::string ContainerName(const KvpRequest& request) { return FileNameOf(request.args[0]); }

int ReportNotAContainer(const std::string& name, std::ostream& out) {
  out << "error not-a-container " << name << ": " << appState.containerReport.notContainerReason << "\n";
  out << name << ": not a container\n";
  return KVP_NOT_A_CONTAINER;
}

}  // namespace

int RunContainerCheck(const KvpRequest& request, std::ostream& out) {
  SetUpPathsOnly(request);
  appState.checkedContainerPath = KvpFullPath(request.args[0]);
  CheckContainer();
  const ContainerReport& report = appState.containerReport;
  const std::string name = ContainerName(request);
  if (!report.isContainer) return ReportNotAContainer(name, out);
  std::size_t errors = 0;
  for (const ContainerFinding& finding : report.findings) {
    WriteFinding(out, finding);
    if (FindingSeverityOf(finding.code) == FindingSeverity::Error) ++errors;
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

int RunContainerRepair(const KvpRequest& request, std::ostream& out, std::ostream& err) {
  SetUpPathsOnly(request);
  appState.checkedContainerPath = KvpFullPath(request.args[0]);
  if (request.applyRepair) {
    ApplyContainerRepair();
  } else {
    PlanContainerRepair();
  }
  const ContainerRepair& repair = appState.containerRepair;
  const std::string name = ContainerName(request);
  if (!appState.containerReport.isContainer) return ReportNotAContainer(name, out);
  if (repair.actions.empty()) {
    out << name << ": nothing to do\n";
    return 0;
  }
  if (!repair.failure.empty()) {
    err << "kvp: could not mend " << name << ": " << repair.failure << "; it is as it was\n";
    return 1;
  }
  const char* const tense = request.applyRepair ? "" : "would ";
  for (const RepairStep& step : repair.actions) {
    out << tense;
    WriteRepairStep(out, step);
    out << "\n";
  }
  for (const UnnamedEntry& unnamed : repair.unnamedEntries) {
    out << "entry " << unnamed.entry << " (key " << KeyText(unnamed.key) << ")"
        << (request.applyRepair ? " stays" : " would stay") << " unnamed: no name list holds its name\n";
  }
  if (!request.applyRepair) {
    out << name << ": " << repair.actions.size() << " steps; kvp repair --apply takes them\n";
    return 1;
  }
  for (const std::string& kept : repair.keptAs) out << "kept " << kept << "\n";
  out << name << ": mended\n";
  return 0;
}
