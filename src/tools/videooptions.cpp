#include "tools/videooptions.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace orugif::tools {

int videoHeightFor(int width, QSize size)
{
    if (size.width() <= 0 || width <= 0)
        return std::max(size.height(), 1);
    if (width >= size.width())
        return size.height();
    return std::max(1, int(std::lround(double(size.height()) * width / size.width())));
}

DocumentPrompts::VideoChoice videoChoice(bool all, std::int64_t first, std::int64_t last, std::int64_t from,
                                         std::int64_t to, int width, QSize size)
{
    DocumentPrompts::VideoChoice choice;
    choice.first = all ? first : std::clamp(from, first, std::max(first, last));
    choice.last = all ? last : std::min(to, last);
    choice.width = std::clamp(width, 1, std::max(size.width(), 1));
    return choice;
}

const std::vector<double>& videoRates()
{
    static const std::vector<double> rates{30, 25, 20, 15, 12.5, 10, 5};
    return rates;
}

QString rateText(double rate)
{
    // Two decimals at most, and none that are zero.
    QString text = QLocale(QLocale::French).toString(rate, 'f', 2);
    while (text.contains(QLatin1Char(',')) && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char(','))))
        text.chop(1);
    return text;
}

QString videoSummary(const formats::VideoInfo& info)
{
    QStringList parts;
    if (info.duration > 0)
        parts << QStringLiteral("Durée : %1 s").arg(rateText(info.duration));
    parts << QStringLiteral("%1 x %2").arg(info.size.width()).arg(info.size.height());
    if (info.rate > 0)
        parts << QStringLiteral("%1 images par seconde").arg(rateText(info.rate));
    if (!info.codec.isEmpty())
        parts << info.codec;
    parts << QStringLiteral("%1 images").arg(info.frames);
    return parts.join(QStringLiteral(" · "));
}

} // namespace orugif::tools
