#include "app/helpwindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace orugif {

namespace {
constexpr auto kContentsPage = "sommaire.html";
constexpr auto kHowToUsePage = "utiliser-aide.html";
constexpr int kFileRole = Qt::UserRole;
} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Aide de Oru Gif"));
    resize(760, 520);

    tabs_ = new QTabWidget;
    contents_ = new QListWidget;
    contents_->setObjectName(QStringLiteral("HelpContents"));
    for (const HelpIndex::Page& page : index_.contents()) {
        auto* item = new QListWidgetItem(page.title, contents_);
        item->setData(kFileRole, page.file);
    }
    tabs_->addTab(contents_, QStringLiteral("Sommaire"));

    auto* searchPage = new QWidget;
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addWidget(new QLabel(QStringLiteral("Tapez les premières lettres du mot cherché :")));
    searchEdit_ = new QLineEdit;
    searchEdit_->setObjectName(QStringLiteral("HelpSearch"));
    searchLayout->addWidget(searchEdit_);
    keywords_ = new QListWidget;
    keywords_->setObjectName(QStringLiteral("HelpKeywords"));
    searchLayout->addWidget(keywords_);
    tabs_->addTab(searchPage, QStringLiteral("Index"));

    browser_ = new QTextBrowser;
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(false);

    auto* splitter = new QSplitter;
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);

    connect(contents_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(kFileRole).toString()); });
    connect(contents_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showPage(item->data(kFileRole).toString()); });
    connect(searchEdit_, &QLineEdit::textChanged, this, &HelpWindow::fillKeywords);
    connect(searchEdit_, &QLineEdit::returnPressed, this, [this] {
        if (keywords_->count() > 0)
            showPage(keywords_->item(0)->data(kFileRole).toString());
    });
    connect(keywords_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(kFileRole).toString()); });
    connect(keywords_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showPage(item->data(kFileRole).toString()); });
    fillKeywords(QString());
}

void HelpWindow::fillKeywords(const QString& prefix)
{
    keywords_->clear();
    for (const HelpIndex::Keyword& k : index_.search(prefix)) {
        auto* item = new QListWidgetItem(k.word, keywords_);
        item->setData(kFileRole, k.file);
    }
    if (keywords_->count() > 0)
        keywords_->setCurrentRow(0);
}

void HelpWindow::showPage(const QString& file)
{
    browser_->setSource(index_.url(file));
    show();
    raise();
    activateWindow();
}

QString HelpWindow::currentPage() const { return browser_->source().fileName(); }

void HelpWindow::showContents()
{
    tabs_->setCurrentIndex(0);
    showPage(QString::fromLatin1(kContentsPage));
}

void HelpWindow::showSearch()
{
    tabs_->setCurrentIndex(1);
    searchEdit_->clear();
    if (browser_->source().isEmpty())
        showPage(QString::fromLatin1(kContentsPage));
    show();
    raise();
    searchEdit_->setFocus();
}

void HelpWindow::showHowToUse() { showPage(QString::fromLatin1(kHowToUsePage)); }

} // namespace orugif
