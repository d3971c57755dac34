#include "platform/programsettings.h"

namespace ProgramSettings {

std::unique_ptr<QSettings> open()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat,
                                       QSettings::UserScope,
                                       QStringLiteral("quillobarent"),
                                       QStringLiteral("quillobarent"));
}

} // namespace ProgramSettings
