// The help window: contents, keyword search and the page on using help, over
// the French help pages built into the program.
#pragma once
#include "app/helpindex.h"

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

namespace orugif {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showContents();
    void showSearch();
    void showHowToUse();
    void showPage(const QString& file);

    QString currentPage() const;
    const HelpIndex& index() const { return index_; }

private:
    void fillKeywords(const QString& prefix);

    HelpIndex index_;
    QTabWidget* tabs_;
    QListWidget* contents_;
    QLineEdit* searchEdit_;
    QListWidget* keywords_;
    QTextBrowser* browser_;
};

} // namespace orugif
