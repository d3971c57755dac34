#pragma once

#include <optional>

// The resistance limit the window's last report was judged against, kept in the settings both
// programs read: a report from the command line without --limit judges as the window did.
namespace ReportLimit {

// nullopt when no report kept one, or the kept value is no limit a report accepts.
std::optional<double> saved();
void save(double limitOhms);

} // namespace ReportLimit
