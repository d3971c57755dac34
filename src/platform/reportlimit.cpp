#include "platform/reportlimit.h"

#include "core/programidentity.h"
#include "core/report.h"

#include <QSettings>

namespace ReportLimit {

namespace {

const QString kKey = QStringLiteral("report/resistanceLimit");

} // namespace

std::optional<double> saved()
{
    bool ok = false;
    const double limit = ProgramIdentity::openSettings()->value(kKey).toDouble(&ok);
    if (!ok || !Report::acceptableLimit(limit))
        return std::nullopt;
    return limit;
}

void save(double limitOhms)
{
    ProgramIdentity::openSettings()->setValue(kKey, limitOhms);
}

} // namespace ReportLimit
