#include "platform/reportlimit.h"

#include "core/report.h"

#include <QSettings>

namespace ReportLimit {

namespace {

const QString kKey = QStringLiteral("report/resistanceLimit");

QSettings settings()
{
    // The archive's location is kept in the same file: named, not taken from the application,
    // so the window and the command line read one file.
    return QSettings(QSettings::NativeFormat,
                     QSettings::UserScope,
                     QStringLiteral("quillobarent"),
                     QStringLiteral("quillobarent"));
}

} // namespace

std::optional<double> saved()
{
    bool ok = false;
    const double limit = settings().value(kKey).toDouble(&ok);
    if (!ok || !Report::acceptableLimit(limit))
        return std::nullopt;
    return limit;
}

void save(double limitOhms)
{
    settings().setValue(kKey, limitOhms);
}

} // namespace ReportLimit
