#include "draw/listingfont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

namespace ListingFont {

bool hasFixedWidthAscii(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char(' '));
    for (char c = '!'; c <= '~'; ++c) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char(c)), width))
            return false;
    }
    return true;
}

QFont choose()
{
    static const char *const candidates[] = {
            "SimSun",
            "NSimSun",
            "宋体",
            "AR PL UMing CN",
            "AR PL SungtiL GB",
            "WenQuanYi Micro Hei Mono",
            "Noto Sans Mono CJK SC",
            "Noto Sans Mono CJK TC",
    };
    const QStringList families = QFontDatabase::families();
    for (const char *name : candidates) {
        const QString family = QString::fromUtf8(name);
        if (!families.contains(family, Qt::CaseInsensitive))
            continue;
        QFont font(family, 9);
        if (hasFixedWidthAscii(font))
            return font;
    }
    QFont fallback = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fallback.setPointSize(9);
    return fallback;
}

} // namespace ListingFont
