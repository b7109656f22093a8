// The console's two renderings of a report: the text a person reads and the JSON document a
// script reads (its form: packaging/cmd/zentrim-cmd.schema.json). One function per report each.
#pragma once

#include "cmd/console_reports.h"

#include <string>
#include <string_view>

namespace zentrim {

std::string RenderText(const StatusReport& report);
std::string RenderText(const PlanReport& report);
// The lines after the run's own progress lines: the counts, the refused values, what comes next.
std::string RenderText(const RunReport& report);
std::string RenderText(const ExportUndoReport& report);

std::string RenderJson(const StatusReport& report);
std::string RenderJson(const PlanReport& report);
std::string RenderJson(const RunReport& report);
std::string RenderJson(const ExportUndoReport& report);
std::string RenderJson(const ErrorReport& report);

// Words both renderings use.
std::string_view ChangeKindName(RehearsalStore::Change::Kind kind);
std::string ViewName(RegistryView view);
std::string RootText(RegistryRoot root);
std::string_view RunName(RunKind kind);

} // namespace zentrim
