#include "core/programidentity.h"

#include <QSettings>

namespace ProgramIdentity {

std::unique_ptr<QSettings> openSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat,
                                       QSettings::UserScope,
                                       QLatin1String(kSettingsName),
                                       QLatin1String(kSettingsName));
}

} // namespace ProgramIdentity
