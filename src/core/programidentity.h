#pragma once

#include <memory>

class QSettings;

// The name the settings file of every program of the package goes by (organisation and
// application alike): the window ("Quillo Barent") and the command line ("quillobarent-cli")
// carry other application names, and would otherwise read a file each.
namespace ProgramIdentity {

inline constexpr char kSettingsName[] = "quillobarent";

// That file, for the user, as the system keeps settings.
std::unique_ptr<QSettings> openSettings();

} // namespace ProgramIdentity
