// Fuzzes the number texts: the reader of typed limits and cursor positions on any text, and the
// plain writer on any float, whose text the reader must give back.
#include "core/numbertext.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "numbertext: %s\n", what);
        std::abort();
    }
}

void readerOnText(const QString &text)
{
    const double value = NumberText::readLeadingNumber(text);
    check(!std::isnan(value), "reader gave NaN");
    // Blanks in front are skipped, and text after the number is ignored.
    check(NumberText::readLeadingNumber(QStringLiteral(" \t") + text) == value
                  || (std::isnan(value)),
          "leading blanks changed the number");
    check(NumberText::readLeadingNumber(text + QStringLiteral("x")) == value,
          "text after the number changed it");
}

void writerOnFloat(float value)
{
    const QString text = NumberText::plain(value);
    if (!std::isfinite(value))
        return;
    check(!text.contains(QLatin1Char('e')) && !text.contains(QLatin1Char('E')),
          "plain text in exponent form");
    check(!text.endsWith(QLatin1Char('.')), "plain text ends in a point");
    if (text.contains(QLatin1Char('.')))
        check(!text.endsWith(QLatin1Char('0')), "plain text keeps a trailing zero");
    // Seven significant digits: the text reads back within half a unit of the seventh digit.
    const double back = NumberText::readLeadingNumber(text);
    const double tolerance = std::fabs(double(value)) * 5.01e-7 + 1e-300;
    check(std::fabs(back - double(value)) <= tolerance, "plain text does not read back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    readerOnText(QString::fromUtf8(chars, qsizetype(size)));
    readerOnText(QString::fromLatin1(chars, qsizetype(size)));
    if (size >= sizeof(float)) {
        float value = 0;
        std::memcpy(&value, data, sizeof value);
        writerOnFloat(value);
    }
    return 0;
}
