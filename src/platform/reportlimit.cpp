#include "platform/reportlimit.h"

#include "core/programidentity.h"
#include "core/report.h"

#include <QSettings>

#include <memory>

namespace {
std::unique_ptr<QSettings> programSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat,
                                       QSettings::UserScope,
                                       QLatin1String(ProgramIdentity::kSettingsName),
                                       QLatin1String(ProgramIdentity::kSettingsName));
}
} // namespace

namespace ReportLimit {

namespace {

const QString kKey = QStringLiteral("report/resistanceLimit");

} // namespace

std::optional<double> saved()
{
    bool ok = false;
    const double limit = programSettings()->value(kKey).toDouble(&ok);
    if (!ok || !Report::acceptableLimit(limit))
        return std::nullopt;
    return limit;
}

void save(double limitOhms)
{
    programSettings()->setValue(kKey, limitOhms);
}

} // namespace ReportLimit
