// The help pages built into the program and their keyword index: the pages
// are French HTML files under :/help/, each with a <title> and a
// <meta name="keywords"> list.
#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>
#include <vector>

namespace orugif {

class HelpIndex {
public:
    struct Page {
        QString file;   // e.g. "fichier.html"
        QString title;
        int order = 0;  // place in the contents
    };
    struct Keyword {
        QString word;
        QString file;
    };

    // Reads every page of `folder` (":/help" in the program).
    explicit HelpIndex(const QString& folder = QStringLiteral(":/help"));

    const std::vector<Page>& contents() const { return pages_; }
    const std::vector<Keyword>& keywords() const { return keywords_; }
    // Keywords that start with `prefix`, ignoring case and accents, in order.
    std::vector<Keyword> search(const QString& prefix) const;
    QUrl url(const QString& file) const;

    static QString fold(const QString& text);  // lower case, accents removed

private:
    QString folder_;
    std::vector<Page> pages_;
    std::vector<Keyword> keywords_;
};

} // namespace orugif
