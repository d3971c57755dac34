#include "platform/reportlimit.h"

#include "core/report.h"
#include "platform/programsettings.h"

namespace ReportLimit {

namespace {

const QString kKey = QStringLiteral("report/resistanceLimit");

} // namespace

std::optional<double> saved()
{
    bool ok = false;
    const double limit = ProgramSettings::open()->value(kKey).toDouble(&ok);
    if (!ok || !Report::acceptableLimit(limit))
        return std::nullopt;
    return limit;
}

void save(double limitOhms)
{
    ProgramSettings::open()->setValue(kKey, limitOhms);
}

} // namespace ReportLimit
