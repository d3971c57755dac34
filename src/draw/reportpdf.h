#pragma once

#include "core/report.h"

#include <QByteArray>
#include <QPageSize>

// The inspection report as a PDF, through Qt's own PDF writer: page 1 holds the header (site,
// time, port, device, programs, computer, limit), the result, the statistics and the trend
// chart of the resistances, drawn as vectors by the chart's own code; the records table with
// its verdicts follows on the next pages. Every page carries its number and the archive ID.
// The text is real text in embedded fonts, so it can be searched and copied.
namespace ReportPdf {

// The page size a report takes by default: Letter or A4, from the locale.
QPageSize::PageSizeId pageSizeFor(const QLocale &locale);

// How many pages a report of `records` records takes on paper of that size.
int pageCount(int records, QPageSize::PageSizeId pageSize);

// The PDF; empty when it could not be made. Needs a QGuiApplication (fonts).
QByteArray render(const Report::Content &content, QPageSize::PageSizeId pageSize);

} // namespace ReportPdf
