#pragma once

#include <QSettings>

#include <memory>

// The settings file of this program: the archive's location, the limit of the last report.
namespace ProgramSettings {

// Named, not taken from the application: the window ("Quillo Barent") and the command line
// ("quillobarent-cli") carry other application names, and would otherwise read a file each.
std::unique_ptr<QSettings> open();

} // namespace ProgramSettings
