#include "app/helpindex.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace orugif {

QString HelpIndex::fold(const QString& text)
{
    QString folded;
    for (const QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c.toLower();
    return folded;
}

HelpIndex::HelpIndex(const QString& folder) : folder_(folder)
{
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression keywords(QStringLiteral("<meta\\s+name=\"keywords\"\\s+content=\"([^\"]*)\""));
    static const QRegularExpression order(QStringLiteral("<meta\\s+name=\"order\"\\s+content=\"(\\d+)\""));

    const QDir dir(folder);
    for (const QString& file : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(file));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(f.readAll());
        Page page{file, file, 1000};
        if (const auto m = title.match(html); m.hasMatch())
            page.title = m.captured(1).trimmed();
        if (const auto m = order.match(html); m.hasMatch())
            page.order = m.captured(1).toInt();
        pages_.push_back(page);
        if (const auto m = keywords.match(html); m.hasMatch())
            for (const QString& word : m.captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts))
                keywords_.push_back({word.trimmed(), file});
    }
    std::stable_sort(pages_.begin(), pages_.end(), [](const Page& a, const Page& b) { return a.order < b.order; });
    std::stable_sort(keywords_.begin(), keywords_.end(), [](const Keyword& a, const Keyword& b) {
        return fold(a.word).localeAwareCompare(fold(b.word)) < 0;
    });
}

std::vector<HelpIndex::Keyword> HelpIndex::search(const QString& prefix) const
{
    const QString key = fold(prefix.trimmed());
    std::vector<Keyword> found;
    for (const Keyword& k : keywords_)
        if (fold(k.word).startsWith(key))
            found.push_back(k);
    return found;
}

QUrl HelpIndex::url(const QString& file) const
{
    return QUrl(QStringLiteral("qrc") + folder_ + QLatin1Char('/') + file);
}

} // namespace orugif
