// Number texts of the readouts and the listing, and the reading of limit boxes.
#include "core/numbertext.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void scaledWritersMatchTexts();
    void plain_data();
    void plain();
    void plainOfDivisions_data();
    void plainOfDivisions();
    void fixed_data();
    void fixed();
    void twoDigits_data();
    void twoDigits();
    void readLeadingNumber_data();
    void readLeadingNumber();
    void readLeadingNumberOutOfDoubleRange_data();
    void readLeadingNumberOutOfDoubleRange();
};

// The listing's fast writers must give the same texts as plain() and fixed() of the
// single-precision quotient, for every value two base-100 bytes can carry.
void TestNumberText::scaledWritersMatchTexts()
{
    static constexpr float kDivisor[] = {1.0f, 10.0f, 100.0f, 1000.0f};
    char16_t buffer[16];
    for (int decimals = 0; decimals <= 3; ++decimals) {
        for (std::uint32_t v = 0; v <= 25755; ++v) {
            const float quotient = float(v) / kDivisor[decimals];
            char16_t *end = NumberText::writePlainScaled(buffer, v, decimals);
            const QString plain = QString::fromUtf16(buffer, end - buffer);
            if (plain != NumberText::plain(quotient))
                QFAIL(qPrintable(
                        QStringLiteral("plain %1/10^%2: %3").arg(v).arg(decimals).arg(plain)));
            if (decimals == 0)
                continue;
            end = NumberText::writeFixedScaled(buffer, v, decimals);
            const QString fixed = QString::fromUtf16(buffer, end - buffer);
            if (fixed != NumberText::fixed(quotient, decimals))
                QFAIL(qPrintable(
                        QStringLiteral("fixed %1/10^%2: %3").arg(v).arg(decimals).arg(fixed)));
        }
    }
    char16_t *end = NumberText::writeWhole(buffer, 7, 3);
    QCOMPARE(QString::fromUtf16(buffer, end - buffer), QStringLiteral("007"));
    end = NumberText::writeWhole(buffer, 1234, 3);
    QCOMPARE(QString::fromUtf16(buffer, end - buffer), QStringLiteral("1234"));
}

void TestNumberText::plain_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.014") << 0.014f << "0.014";
    QTest::newRow("4.05") << 4.05f << "4.05";
    QTest::newRow("12.34") << 12.34f << "12.34";
    QTest::newRow("12.3") << 12.3f << "12.3";
    QTest::newRow("1499") << 1499.0f << "1499";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("negative zero") << -0.0f << "0";
    QTest::newRow("largest reply value") << 25755.0f << "25755";
    QTest::newRow("one third: 7 digits") << 1.0f / 3.0f << "0.3333333";
    QTest::newRow("two thirds rounds up") << 2.0f / 3.0f << "0.6666667";
    QTest::newRow("7 digit whole") << 1234567.0f << "1234567";
    QTest::newRow("8 digit whole: no exponent") << 12345678.0f << "12345680";
    QTest::newRow("1e10: no exponent") << 1e10f << "10000000000";
    QTest::newRow("small: no exponent") << 1e-7f << "0.0000001";
    QTest::newRow("small with digits") << 0.00012345f << "0.00012345";
    QTest::newRow("100 keeps its zeros") << 100.0f << "100";
    QTest::newRow("0.5") << 0.5f << "0.5";
    QTest::newRow("negative") << -1.5f << "-1.5";
    QTest::newRow("9.9999999 rounds to 10") << 9.9999999f << "10";
    QTest::newRow("999999.95 rounds to 1000000") << 999999.94f << "999999.9";
}

void TestNumberText::plain()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(NumberText::plain(value), text);
}

// The readouts divide in single precision; the text must show the decimal the instrument meant.
void TestNumberText::plainOfDivisions_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<float>("divisor");
    QTest::addColumn<QString>("text");
    QTest::newRow("14/1000") << 14 << 1000.0f << "0.014";
    QTest::newRow("405/100") << 405 << 100.0f << "4.05";
    QTest::newRow("405/10") << 405 << 10.0f << "40.5";
    QTest::newRow("1234/100") << 1234 << 100.0f << "12.34";
    QTest::newRow("123/10") << 123 << 10.0f << "12.3";
    QTest::newRow("25755/1000") << 25755 << 1000.0f << "25.755";
    QTest::newRow("25755/100") << 25755 << 100.0f << "257.55";
    QTest::newRow("1/1000") << 1 << 1000.0f << "0.001";
    QTest::newRow("7/100") << 7 << 100.0f << "0.07";
    QTest::newRow("1000/1000") << 1000 << 1000.0f << "1";
    QTest::newRow("9999/1000") << 9999 << 1000.0f << "9.999";
    QTest::newRow("3/10") << 3 << 10.0f << "0.3";
}

void TestNumberText::plainOfDivisions()
{
    QFETCH(int, raw);
    QFETCH(float, divisor);
    QFETCH(QString, text);
    QCOMPARE(NumberText::plain(float(raw) / divisor), text);
}

void TestNumberText::fixed_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.005 as 0.000") << 5.0f / 1000.0f << 3 << "0.005";
    QTest::newRow("0 as 0.000") << 0.0f << 3 << "0.000";
    QTest::newRow("25.755 as 0.000") << 25755.0f / 1000.0f << 3 << "25.755";
    QTest::newRow("12.34 as 0.00") << 1234.0f / 100.0f << 2 << "12.34";
    QTest::newRow("257.55 as 0.00") << 25755.0f / 100.0f << 2 << "257.55";
    QTest::newRow("0 as 0.00") << 0.0f << 2 << "0.00";
    QTest::newRow("0.07 as 0.00") << 7.0f / 100.0f << 2 << "0.07";
    QTest::newRow("220.5 as 0.0") << 2205.0f / 10.0f << 1 << "220.5";
    QTest::newRow("22 as 0.0") << 220.0f / 10.0f << 1 << "22.0";
    QTest::newRow("0 as 0.0") << 0.0f << 1 << "0.0";
    QTest::newRow("0.3 as 0.0") << 3.0f / 10.0f << 1 << "0.3";
    QTest::newRow("2575.5 as 0.0") << 25755.0f / 10.0f << 1 << "2575.5";
    QTest::newRow("exact half away from zero") << 0.25f << 1 << "0.3";
    QTest::newRow("negative half away from zero") << -0.25f << 1 << "-0.3";
    QTest::newRow("tiny negative: no minus") << -0.04f << 1 << "0.0";
    QTest::newRow("rounding carries") << 9.9996f << 3 << "10.000";
}

void TestNumberText::fixed()
{
    QFETCH(float, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(NumberText::fixed(value, decimals), text);
}

void TestNumberText::twoDigits_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("05") << 5.0f << "05";
    QTest::newRow("00") << 0.0f << "00";
    QTest::newRow("30") << 30.0f << "30";
    QTest::newRow("99") << 99.0f << "99";
    QTest::newRow("100") << 100.0f << "100";
    QTest::newRow("1230") << 1230.0f << "1230";
    QTest::newRow("25755") << 25755.0f << "25755";
    QTest::newRow("254") << 254.0f << "254";
    QTest::newRow("half rounds away from zero") << 2.5f << "03";
    QTest::newRow("below half") << 4.4f << "04";
    QTest::newRow("negative") << -5.0f << "-05";
}

void TestNumberText::twoDigits()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(NumberText::twoDigits(value), text);
}

void TestNumberText::readLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("whole") << "100" << 100.0;
    QTest::newRow("12abc") << "12abc" << 12.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << "   " << 0.0;
    QTest::newRow("1200.5") << "1200.5" << 1200.5;
    QTest::newRow("-1") << "-1" << -1.0;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow(" 1e3") << " 1e3" << 1000.0;
    QTest::newRow("capital exponent") << "2E2" << 200.0;
    QTest::newRow("negative exponent") << "15e-1" << 1.5;
    QTest::newRow("exponent with plus") << "1e+2x" << 100.0;
    QTest::newRow("exponent without digits") << "5e" << 5.0;
    QTest::newRow("exponent sign without digits") << "5e-" << 5.0;
    QTest::newRow("leading tab") << "\t42" << 42.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("minus point first") << "-.5" << -0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("letters first") << "abc12" << 0.0;
    QTest::newRow("blank inside ends it") << "12 34" << 12.0;
    QTest::newRow("comma ends it") << "1,5" << 1.0;
    QTest::newRow("hex is not read") << "0x10" << 0.0;
    QTest::newRow("full-width digits are not read") << QString::fromUtf8("\uFF11\uFF12") << 0.0;
    QTest::newRow("sign then blank") << "- 5" << 0.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("40000") << "40000" << 40000.0;
}

void TestNumberText::readLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumberText::readLeadingNumber(text), value);
}

// Beyond what a double holds: too large reads as infinity, which every limit check rejects; too
// small reads as 0, a valid limit. Which of the two is decided by the number's size, wherever its
// digits and exponent put it, not by the sign of its exponent.
void TestNumberText::readLeadingNumberOutOfDoubleRange_data()
{
    const double inf = std::numeric_limits<double>::infinity();
    const QString zeros(400, QLatin1Char('0'));
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("1e400") << "1e400" << inf;
    QTest::newRow("-1e400") << "-1e400" << -inf;
    QTest::newRow("1e+400") << "1e+400" << inf;
    QTest::newRow("1e-400") << "1e-400" << 0.0;
    QTest::newRow("400 nines") << QString(400, QLatin1Char('9')) << inf;
    QTest::newRow("point, 400 zeros, 1") << "0." + zeros + "1" << 0.0;
    QTest::newRow("same without the 0") << "." + zeros + "1" << 0.0;
    QTest::newRow("same negative") << "-0." + zeros + "1" << 0.0;
    QTest::newRow("same with text after") << "0." + zeros + "1 Ohm" << 0.0;
    QTest::newRow("tiny with positive exponent") << "0." + zeros + "1e50" << 0.0;
    QTest::newRow("huge with negative exponent") << "1" + zeros + "e-50" << inf;
    QTest::newRow("huge after 400 leading zeros") << zeros + "1e400" << inf;
    QTest::newRow("huge exponent") << "1e99999999999999999999" << inf;
    QTest::newRow("huge negative exponent") << "1e-99999999999999999999" << 0.0;
    QTest::newRow("zero with huge exponent") << "0e99999999999999999999" << 0.0;
    // In range once digits and exponent are taken together.
    QTest::newRow("400 leading zeros") << zeros + "12" << 12.0;
    QTest::newRow("tiny digits, large exponent") << "0." + zeros + "5e401" << 5.0;
    QTest::newRow("long digits, small exponent") << "1" + zeros + "e-400" << 1.0;
    QTest::newRow("long digits, point inside") << "2" + zeros + ".5e-400" << 2.0;
}

void TestNumberText::readLeadingNumberOutOfDoubleRange()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumberText::readLeadingNumber(text), value);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
