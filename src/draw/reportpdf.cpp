#include "draw/reportpdf.h"

#include "core/numbertext.h"
#include "draw/listingfont.h"
#include "draw/trendchart.h"
#include "quillo_version.h"

#include <QBuffer>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ReportPdf {

namespace {

// Laid out in millimetres; drawn at 300 dots per inch, fine enough for the chart's one-dot lines.
constexpr int kDpi = 300;
constexpr double kMargin = 18; // left and right
constexpr double kTop = 15;
constexpr double kBottom = 16;                  // the footer sits in it
constexpr double kRow = 4.8;                    // one table row
constexpr double kTableHead = 15.5;             // running head and column header of a table page
constexpr double kColumns[] = {0, 26, 74, 122}; // NO., Value 1, Value 2, verdict

const QColor kInk(20, 20, 20);
const QColor kGrey(95, 95, 95);
const QColor kFail(190, 0, 0);

int rowsPerPage(QPageSize::PageSizeId pageSize)
{
    const double height = QPageSize(pageSize).size(QPageSize::Millimeter).height();
    return int((height - kTop - kBottom - kTableHead) / kRow);
}

QFont bodyFont(double points, bool bold = false)
{
    QFont font(QStringList{QStringLiteral("DejaVu Sans"),
                           QStringLiteral("Liberation Sans"),
                           QStringLiteral("Arial"),
                           QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The records' texts: the body's face, and the listing's after it for what the body's lacks,
// the pair column's full-width colon; the PDF embeds the glyphs taken from either.
QFont valueFont()
{
    QFont font = bodyFont(9);
    font.setFamilies(font.families() << ListingFont::choose().family());
    return font;
}

// A page being drawn: millimetres in, device dots out.
class Sheet
{
public:
    Sheet(QPainter &painter, QSizeF pageMm)
        : m_painter(painter)
        , m_page(pageMm)
    {}
    QPainter &painter() { return m_painter; }
    double width() const { return m_page.width() - 2 * kMargin; }
    double height() const { return m_page.height(); }
    static double dots(double mm) { return mm * kDpi / 25.4; }
    QRectF rect(double x, double y, double w, double h) const
    {
        return {dots(kMargin + x), dots(y), dots(w), dots(h)};
    }
    // One line of text whose baseline is `y` mm down the page; with a width, a longer text
    // ends in an ellipsis there (a note can be of any length).
    void text(double x,
              double y,
              const QString &s,
              const QFont &font,
              const QColor &ink = kInk,
              double width = 0)
    {
        m_painter.setFont(font);
        m_painter.setPen(ink);
        const QString shown
                = width > 0
                          ? m_painter.fontMetrics().elidedText(s, Qt::ElideRight, int(dots(width)))
                          : s;
        m_painter.drawText(QPointF(dots(kMargin + x), dots(y)), shown);
    }
    void textRight(double right, double y, const QString &s, const QFont &font)
    {
        m_painter.setFont(font);
        m_painter.setPen(kGrey);
        const double width = m_painter.fontMetrics().horizontalAdvance(s);
        m_painter.drawText(QPointF(dots(kMargin + right) - width, dots(y)), s);
    }
    void rule(double y, const QColor &ink = kGrey)
    {
        m_painter.setPen(QPen(ink, dots(0.2)));
        m_painter.drawLine(QPointF(dots(kMargin), dots(y)),
                           QPointF(dots(kMargin + width()), dots(y)));
    }
    void fill(double x, double y, double w, double h, const QColor &colour)
    {
        m_painter.fillRect(rect(x, y, w, h), colour);
    }

private:
    QPainter &m_painter;
    QSizeF m_page;
};

QString archiveId(const Archive::Entry &entry)
{
    return entry.id > 0 ? QString::number(entry.id) : QStringLiteral("not archived");
}

QString siteText(const Archive::Entry &entry)
{
    const QString note = entry.note.simplified();
    return note.isEmpty() ? QStringLiteral("(no note in the archive)") : note;
}

void drawFooter(Sheet &sheet, const Report::Content &c, int page, int pages)
{
    const double y = sheet.height() - kBottom + 8;
    sheet.rule(y - 4.5);
    sheet.text(0,
               y,
               (c.entry.id > 0 ? QStringLiteral("Archive ID %1").arg(c.entry.id)
                               : QStringLiteral("Not archived"))
                       + QStringLiteral(" \u00B7 %1 \u00B7 %2")
                                 .arg(Report::takenText(c.entry), siteText(c.entry)),
               bodyFont(7.5),
               kGrey,
               sheet.width() - 25);
    sheet.textRight(
            sheet.width(), y, QStringLiteral("Page %1 of %2").arg(page).arg(pages), bodyFont(7.5));
}

// The header: what was measured where and when, with what, and against which limit.
double drawHeader(Sheet &sheet, const Report::Content &c)
{
    const Archive::Entry &e = c.entry;
    double y = kTop + 7;
    sheet.text(0, y, QStringLiteral("Earth resistance inspection report"), bodyFont(17, true));
    y += 9;
    sheet.text(
            0, y, QStringLiteral("Site: ") + siteText(e), bodyFont(12, true), kInk, sheet.width());
    y += 3.5;
    sheet.rule(y);
    const QString fields[][2] = {
            {QStringLiteral("Date and time"), Report::takenText(e)},
            {QStringLiteral("Port"), e.port},
            {QStringLiteral("Device"), e.device},
            {QStringLiteral("Downloaded by"), e.program},
            {QStringLiteral("Report by"), QStringLiteral("Quillo Barent " QUILLO_VERSION)},
            {QStringLiteral("Computer"), e.computer},
            {QStringLiteral("Archive ID"), archiveId(e)},
            {QStringLiteral("Limit"),
             Report::limitText(c.limitOhms)
                     + QStringLiteral(": a resistance at or below it passes")},
    };
    y += 1.5;
    for (const auto &field : fields) {
        y += 5;
        sheet.text(0, y, field[0], bodyFont(9.5), kGrey);
        sheet.text(36, y, field[1], bodyFont(9.5, true), kInk, sheet.width() - 36);
    }
    return y + 4;
}

QString resultLine(const Report::Content &c)
{
    const int judged = c.passing + c.failing;
    const QString limit = Report::limitText(c.limitOhms);
    if (judged == 0)
        return QStringLiteral("RESULT: no resistance reading that can be judged");
    if (c.failing == 0)
        return QStringLiteral("RESULT: all %1 judged resistance readings pass the limit of %2")
                .arg(judged)
                .arg(limit);
    return QStringLiteral("RESULT: %1 of %2 judged resistance readings FAIL the limit of %3")
            .arg(c.failing)
            .arg(judged)
            .arg(limit);
}

double drawResult(Sheet &sheet, const Report::Content &c, double y)
{
    // Red for a failure, green when every judged reading passed, grey when none was judged.
    const bool failed = c.failing > 0;
    const bool passed = !failed && c.passing > 0;
    sheet.fill(0,
               y,
               sheet.width(),
               15,
               failed ? QColor(250, 222, 222)
                      : (passed ? QColor(222, 242, 222) : QColor(235, 235, 235)));
    sheet.text(3,
               y + 6,
               resultLine(c),
               bodyFont(11, true),
               failed ? kFail : (passed ? QColor(0, 110, 0) : kInk));
    sheet.text(3,
               y + 12,
               QStringLiteral("Passing %1 \u00B7 failing %2 \u00B7 cannot be judged (0L, L0.01, "
                              "ERROR) %3")
                       .arg(c.passing)
                       .arg(c.failing)
                       .arg(c.unjudged),
               bodyFont(9.5));
    y += 22;
    QStringList kinds;
    for (const auto &[kind, count] : c.kindCounts)
        kinds << QStringLiteral("%1 %2").arg(Quantity::kindWord(kind)).arg(count);
    sheet.text(0,
               y,
               QStringLiteral("Records: %1").arg(c.lines.size())
                       + (kinds.isEmpty() ? QString()
                                          : QStringLiteral(" (") + kinds.join(QStringLiteral(", "))
                                                    + QLatin1Char(')')),
               bodyFont(9.5));
    return y + 4;
}

// MAX, MIN and AVERAGE per kind and unit, computed as the statistics boxes compute them.
double drawStatistics(Sheet &sheet, const Report::Content &c, double y)
{
    if (c.stats.isEmpty())
        return y;
    const double columns[] = {0, 40, 56, 78, 108, 138};
    const QString heads[] = {QStringLiteral("Kind"),
                             QStringLiteral("Unit"),
                             QStringLiteral("Values"),
                             QStringLiteral("MAX"),
                             QStringLiteral("MIN"),
                             QStringLiteral("AVERAGE")};
    y += 6;
    for (int i = 0; i < 6; ++i)
        sheet.text(columns[i], y, heads[i], bodyFont(9, true));
    sheet.rule(y + 1.3);
    for (const Report::KindStats &s : c.stats) {
        y += 5;
        const QString cells[] = {Quantity::kindWord(s.kind),
                                 s.unit,
                                 QString::number(s.count),
                                 s.texts.maximum,
                                 s.texts.minimum,
                                 s.texts.mean};
        for (int i = 0; i < 6; ++i)
            sheet.text(columns[i], y, cells[i], bodyFont(9));
    }
    return y + 4;
}

// The smallest of 1, 2 or 5 times a power of ten that is at least `v`.
double niceScale(double v)
{
    const double power = std::pow(10.0, std::floor(std::log10(std::max(v, 1e-3))));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (step * power >= v)
            return step * power;
    }
    return 10 * power;
}

// The trend of the resistances in chart units: 0 to 1000 is 0 to fullScale ohms. "0L" lies at
// the top edge (the chart flattens what is above it), "L0.01" and "ERROR" at the bottom.
std::vector<float> chartSamples(const Report::Content &c, double fullScale)
{
    std::vector<float> samples;
    samples.reserve(std::size_t(c.resistances.size()));
    for (const Report::Line &line : c.lines) {
        if (line.verdict == Report::Verdict::None)
            continue;
        const Quantity::State state = line.record.values.first.state;
        if (state == Quantity::State::OverRange)
            samples.push_back(1001);
        else
            samples.push_back(0);
    }
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (const std::optional<double> ohms = c.resistances.at(qsizetype(i)))
            samples[i] = float(*ohms / fullScale * 1000);
    }
    return samples;
}

void drawChart(Sheet &sheet, const Report::Content &c, double y)
{
    y += 8;
    sheet.text(0, y, QStringLiteral("Resistance trend"), bodyFont(11, true));
    if (c.resistances.size() < 2) {
        sheet.text(0,
                   y + 6,
                   QStringLiteral("Fewer than two resistance records: no trend to draw."),
                   bodyFont(9.5),
                   kGrey);
        return;
    }
    double largest = c.limitOhms;
    for (const std::optional<double> &r : c.resistances)
        largest = std::max(largest, r.value_or(0));
    const double fullScale = niceScale(largest * 1.1);
    const std::vector<float> samples = chartSamples(c, fullScale);
    const double left = 16;
    const double width = sheet.width() - left - 2;
    const double height = std::min(95.0, sheet.height() - kBottom - y - 24);
    const QRectF area = sheet.rect(left, y + 4, width, height);

    TrendChart::State state;
    state.x1 = state.x2 = -1;                         // no time cursors in a report
    state.y2 = float(c.limitOhms / fullScale * 1000); // the limit, dotted
    state.traceEnabled = true;
    state.segments = int(samples.size()) - 1;
    state.samples = samples;
    QPainter &p = sheet.painter();
    p.save();
    p.translate(area.topLeft());
    TrendChart::draw(p, ChartMapping(TrendChart::kScale, area.size()), state);
    p.restore();

    const double top = y + 4 + height * 10 / 1020;
    const double span = height * 1000 / 1020;
    const QFont small = bodyFont(7.5);
    for (int i = 0; i <= 4; ++i)
        sheet.text(0,
                   top + span * (1 - i / 4.0) + 1,
                   NumberText::plain(float(fullScale * i / 4)) + QStringLiteral(" \u03A9"),
                   small,
                   kGrey);
    sheet.text(left, y + 4 + height + 4, QStringLiteral("resistance record 1"), small, kGrey);
    sheet.textRight(left + width,
                    y + 4 + height + 4,
                    QStringLiteral("resistance record %1").arg(samples.size()),
                    small);
    sheet.text(
            left,
            y + 4 + height + 8,
            QStringLiteral("green: resistance \u00B7 dotted: the limit, %1 \u00B7 0L at the top, "
                           "L0.01 and ERROR at the bottom")
                    .arg(Report::limitText(c.limitOhms)),
            small,
            kGrey);
}

void drawTableHead(Sheet &sheet, const Report::Content &c)
{
    sheet.text(0,
               kTop + 3,
               QStringLiteral("Limit %1 \u00B7 %2 \u00B7 site: %3")
                       .arg(Report::limitText(c.limitOhms),
                            Report::takenText(c.entry),
                            siteText(c.entry)),
               bodyFont(8),
               kGrey,
               sheet.width());
    const double y = kTop + 10;
    const QString heads[] = {QStringLiteral("NO."),
                             QStringLiteral("Value 1"),
                             QStringLiteral("Value 2"),
                             QStringLiteral("Verdict")};
    for (int i = 0; i < 4; ++i)
        sheet.text(kColumns[i], y, heads[i], bodyFont(9, true));
    sheet.rule(y + 1.5, kInk);
}

// One page of the records table, from line `first`.
void drawTablePage(Sheet &sheet, const Report::Content &c, qsizetype first, int rows)
{
    drawTableHead(sheet, c);
    const QFont values = valueFont();
    const QFont plain = bodyFont(9);
    const QFont fail = bodyFont(9, true);
    const qsizetype end = std::min<qsizetype>(c.lines.size(), first + rows);
    double y = kTop + kTableHead;
    for (qsizetype i = first; i < end; ++i, y += kRow) {
        const Report::Line &line = c.lines.at(i);
        if ((i - first) % 2 == 1)
            sheet.fill(0, y - kRow + 1.2, sheet.width(), kRow, QColor(238, 238, 238));
        sheet.text(kColumns[0], y, QString::number(line.record.number), plain);
        sheet.text(kColumns[1], y, line.record.text1, values);
        sheet.text(kColumns[2], y, line.record.text2, values);
        const bool failed = line.verdict == Report::Verdict::Fail;
        sheet.text(kColumns[3],
                   y,
                   Report::verdictText(line.verdict),
                   failed ? fail : plain,
                   failed ? kFail : kInk);
    }
}

} // namespace

QPageSize::PageSizeId pageSizeFor(const QLocale &locale)
{
    return Report::usesLetterPaper(locale) ? QPageSize::Letter : QPageSize::A4;
}

int pageCount(int records, QPageSize::PageSizeId pageSize)
{
    const int rows = rowsPerPage(pageSize);
    return 1 + (std::max(records, 0) + rows - 1) / rows;
}

QByteArray render(const Report::Content &c, QPageSize::PageSizeId pageSize)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(pageSize));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(QStringLiteral("Earth resistance inspection report: ") + siteText(c.entry));
    writer.setCreator(QStringLiteral("Quillo Barent " QUILLO_VERSION));
    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    Sheet sheet(painter, QPageSize(pageSize).size(QPageSize::Millimeter));
    const int pages = pageCount(int(c.lines.size()), pageSize);
    const int rows = rowsPerPage(pageSize);

    double y = drawHeader(sheet, c);
    y = drawResult(sheet, c, y);
    y = drawStatistics(sheet, c, y);
    drawChart(sheet, c, y);
    drawFooter(sheet, c, 1, pages);
    for (int page = 2; page <= pages; ++page) {
        writer.newPage();
        drawTablePage(sheet, c, qsizetype(page - 2) * rows, rows);
        drawFooter(sheet, c, page, pages);
    }
    if (!painter.end())
        return {};
    return buffer.data();
}

} // namespace ReportPdf
