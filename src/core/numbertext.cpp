#include "core/numbertext.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace NumberText {

namespace {
void stripTrailingZeros(QString &text)
{
    if (!text.contains(QLatin1Char('.')))
        return;
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char('0'))
        --end;
    if (end > 0 && text.at(end - 1) == QLatin1Char('.'))
        --end;
    text.truncate(end);
}
} // namespace

QString plain(float value)
{
    if (!std::isfinite(value))
        return value != value ? QStringLiteral("NaN")
                              : (value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf"));
    if (value == 0.0f)
        return QStringLiteral("0");

    // Round to 7 significant digits first (in exponent form, which rounds exactly), then write
    // the rounded number out in full.
    // (to_chars and from_chars, unlike printf and strtod, ignore the process locale.)
    char buffer[64];
    const auto written = std::to_chars(
            buffer, buffer + sizeof buffer, double(value), std::chars_format::scientific, 6);
    double rounded = double(value);
    std::from_chars(buffer, written.ptr, rounded);
    const int exponent = int(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = qMax(0, 6 - exponent);
    QString text = QString::number(rounded, 'f', decimals);
    stripTrailingZeros(text);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

QString fixed(float value, int decimals)
{
    if (!std::isfinite(value))
        return plain(value);
    // Away from zero at exact halves, as the instrument software always printed them; the
    // nudge is far below any digit shown and only decides true ties.
    const double scale = std::pow(10.0, decimals);
    const double scaled = double(value) * scale;
    const double whole = std::trunc(scaled);
    double rounded = std::fabs(scaled - whole) == 0.5 ? whole + (scaled > 0 ? 1 : -1)
                                                      : std::nearbyint(scaled);
    QString text = QString::number(rounded / scale, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && rounded == 0)
        text.remove(0, 1);
    return text;
}

QString twoDigits(float value)
{
    // Halves away from zero, like the fixed patterns.
    const double rounded = std::round(double(value));
    if (!std::isfinite(rounded) || std::fabs(rounded) > 1e15)
        return plain(value);
    const qlonglong whole = qlonglong(rounded);
    if (whole < 0)
        return QStringLiteral("-%1").arg(-whole, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1").arg(whole, 2, 10, QLatin1Char('0'));
}

char16_t *writeWhole(char16_t *out, std::uint32_t n, int minDigits)
{
    char16_t digits[10];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n != 0);
    for (int i = count; i < minDigits; ++i)
        *out++ = u'0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

namespace {
// v / 10^decimals written exactly from the integer: at seven significant digits the
// single-precision division leaves no trace for these values.
char16_t *writeScaled(char16_t *out, std::uint32_t v, int decimals, bool keepZeros)
{
    static constexpr std::uint32_t kScale[] = {1, 10, 100, 1000};
    const std::uint32_t scale = kScale[qBound(0, decimals, 3)];
    out = writeWhole(out, v / scale);
    std::uint32_t fraction = v % scale;
    int shown = qBound(0, decimals, 3);
    if (!keepZeros) {
        while (shown > 0 && fraction % 10 == 0) {
            fraction /= 10;
            --shown;
        }
    }
    if (shown == 0)
        return out;
    *out++ = u'.';
    return writeWhole(out, fraction, shown);
}
} // namespace

char16_t *writePlainScaled(char16_t *out, std::uint32_t v, int decimals)
{
    return writeScaled(out, v, decimals, false);
}

char16_t *writeFixedScaled(char16_t *out, std::uint32_t v, int decimals)
{
    return writeScaled(out, v, decimals, true);
}

namespace {
// The power of ten of the first significant digit of an unsigned decimal number ("123.4" -> 2,
// "0.05" -> -2, "5e-7" -> -7). Used only to tell a number too large for a double from one too
// small: the sign is what matters, not the sign of the exponent, since "0.000...1" without any
// exponent can be as tiny as "1e-400". The exponent saturates, so a huge one cannot overflow.
qint64 decimalOrder(const QByteArray &number)
{
    constexpr qint64 kLimit = 1'000'000'000'000'000;
    const qsizetype lower = number.indexOf('e');
    const qsizetype e = lower >= 0 ? lower : number.indexOf('E');
    const QByteArray mantissa = e >= 0 ? number.left(e) : number;
    qint64 exponent = 0;
    if (e >= 0) {
        qsizetype i = e + 1;
        const bool negativeExponent = i < number.size() && number.at(i) == '-';
        if (i < number.size() && (number.at(i) == '-' || number.at(i) == '+'))
            ++i;
        for (; i < number.size() && exponent < kLimit; ++i)
            exponent = exponent * 10 + (number.at(i) - '0');
        if (negativeExponent)
            exponent = -exponent;
    }
    const qsizetype dot = mantissa.indexOf('.');
    const qsizetype point = dot >= 0 ? dot : mantissa.size();
    qsizetype first = 0;
    while (first < mantissa.size() && (mantissa.at(first) == '0' || mantissa.at(first) == '.'))
        ++first;
    if (first == mantissa.size())
        return 0; // all zeros: never out of range
    // Digits between the first significant one and the point, or zeros after the point.
    const qint64 order = first < point ? qint64(point - first - 1) : -qint64(first - point);
    return order + exponent;
}
} // namespace

double readLeadingNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && text.at(i).unicode() < 128 && text.at(i).isDigit()) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        qsizetype expDigits = 0;
        while (j < n && text.at(j).unicode() < 128 && text.at(j).isDigit()) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            end = j;
    }
    QByteArray number = text.mid(start, end - start).toLatin1();
    const bool negative = number.startsWith('-');
    if (number.startsWith('+') || negative)
        number.remove(0, 1);
    double value = 0.0;
    const auto [ptr, ec]
            = std::from_chars(number.constData(), number.constData() + number.size(), value);
    Q_UNUSED(ptr);
    // Too large for a double: infinity, which every range check rejects. Too small: zero.
    if (ec == std::errc::result_out_of_range)
        value = decimalOrder(number) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

} // namespace NumberText
