#include "app/mainform.h"

#include "app/aboutbox.h"
#include "app/colourswatch.h"
#include "app/helpwindow.h"
#include "app/menus.h"
#include "common/error.h"
#include "document/child.h"
#include "document/clipboard.h"
#include "document/view/childwindow.h"
#include "app/widgetprompts.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <exception>

namespace orugif {

using namespace app;

TMainForm::TMainForm(MainPorts ports, QWidget* parent) : QMainWindow(parent), ports_(std::move(ports))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Oru Gif"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/orugif.svg")));
    resize(582, 357);

    if (!ports_.prompts)
        ports_.prompts = std::make_shared<WidgetPrompts>(this);
    if (!ports_.clipboard)
        ports_.clipboard = std::make_shared<SystemClipboard>();

    buildMenus();
    buildToolBar();
    buildStatusBar();

    // The one document window, alive as long as the main window; it has no
    // close or minimise buttons, so commands never find it missing.
    child_ = std::make_unique<TChild>(*ports_.prompts, *ports_.clipboard);
    child_->setDrawingColourSource([this] { return drawingColour(); });
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(mdi_);
    childWindow_ = new ChildWindow(*child_);
    QMdiSubWindow* sub = mdi_->addSubWindow(childWindow_, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    sub->setWindowTitle(child_->caption());
    sub->showMaximized();
    connect(child_.get(), &TChild::captionChanged, sub, &QMdiSubWindow::setWindowTitle);
    connect(child_.get(), &TChild::colourPicked, this, &TMainForm::setDrawingColour);

    connectCommands();

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    timer_->start();
    Timer1Timer();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildMenus()
{
    QMenu* top = nullptr;
    QMenu* sub = nullptr;
    for (const MenuEntry& e : menuEntries()) {
        const QString caption = QString::fromUtf8(e.caption);
        const SplitHint hint = splitHint(QString::fromUtf8(e.hint));
        if (e.level == 0) {
            top = menuBar()->addMenu(caption);
            top->setObjectName(QString::fromLatin1(e.name));
            top->setProperty("helpContext", e.helpContext);
            sub = nullptr;
            continue;
        }
        QAction* action = nullptr;
        if (QString::fromLatin1(e.name) == QLatin1String("Nouvelleanimation1")) {
            sub = top->addMenu(caption);
            sub->setObjectName(QStringLiteral("Nouvelleanimation1Menu"));
            action = sub->menuAction();
        } else {
            QMenu* menu = e.level == 2 && sub ? sub : top;
            action = menu->addAction(caption);
        }
        action->setObjectName(QString::fromLatin1(e.name));
        action->setToolTip(hint.tip);
        action->setStatusTip(hint.status);
        if (e.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
        action->setEnabled(e.enabledAtStart);
        if (e.separatorAfter)
            (e.level == 2 && sub ? sub : top)->addSeparator();
    }
}

void TMainForm::buildToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("Outils"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setIconSize(QSize(18, 18));
    tools_ = new QButtonGroup(this);
    tools_->setExclusive(true);
    for (const ToolEntry& e : toolEntries()) {
        if (e.groupStart)
            bar->addSeparator();
        const SplitHint hint = splitHint(QString::fromUtf8(e.hint));
        QWidget* control = nullptr;
        if (!e.icon) {
            swatch_ = new ColourSwatch(bar);
            connect(swatch_, &ColourSwatch::clicked, this, [this] { route([this] { Panel1Click(); }); });
            control = swatch_;
        } else {
            auto* button = new QToolButton(bar);
            button->setObjectName(QString::fromLatin1(e.name));
            button->setAutoRaise(true);
            button->setFixedSize(25, 25);
            button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(e.icon))));
            control = button;
        }
        control->setToolTip(hint.tip);
        control->setStatusTip(hint.status);
        control->setProperty("statusHint", hint.status);
        control->setEnabled(e.enabledAtStart);
        control->installEventFilter(this);
        bar->addWidget(control);
    }
    for (const char* name : {"SpeedButton9", "SpeedButton11", "PipButton", "FillButton", "TextButton"}) {
        auto* button = bar->findChild<QToolButton*>(QString::fromLatin1(name));
        button->setCheckable(true);
        tools_->addButton(button);
    }
    bar->findChild<QToolButton*>(QStringLiteral("SpeedButton9"))->setChecked(true);
}

void TMainForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    hintPanel_ = new QLabel(bar);
    hintPanel_->setObjectName(QStringLiteral("StatusPanel0"));
    clockPanel_ = new QLabel(bar);
    clockPanel_->setObjectName(QStringLiteral("StatusPanel1"));
    clockPanel_->setAlignment(Qt::AlignCenter);
    clockPanel_->setMinimumWidth(50);
    bar->addWidget(hintPanel_, 1);
    bar->addPermanentWidget(clockPanel_);
}

QAction* TMainForm::action(const char* name) const
{
    return findChild<QAction*>(QString::fromLatin1(name));
}

void TMainForm::bind(const char* name, std::function<void()> command, bool valide)
{
    const QString objectName = QString::fromLatin1(name);
    auto run = [this, command = std::move(command), valide] { route(command, valide); };
    if (QAction* a = findChild<QAction*>(objectName))
        connect(a, &QAction::triggered, this, run);
    else if (auto* b = findChild<QToolButton*>(objectName))
        connect(b, &QToolButton::clicked, this, run);
}

void TMainForm::connectCommands()
{
    TChild& c = *child_;
    for (const char* n : {"Nouveau1", "SpeedButton1"})
        bind(n, [&c] { c.Nouveau(); }, true);
    bind("ExitItem", [this] { close(); });
    for (const char* n : {"OpenItem", "OpenBtn"})
        bind(n, [this] { OpenItemClick(); });  // routes the opening itself
    for (const char* n : {"SaveItem", "SaveBtn"})
        bind(n, [&c] { c.Sauve(0); });
    bind("Enregistrersous1", [&c] { c.Sauve(1); });
    for (const char* n : {"Importerimage1", "SpeedButton7"})
        bind(n, [&c] { c.Importer(); }, true);
    bind("Exportercadre1", [&c] { c.Exporter(); });
    bind("Proprits1", [&c] { c.Params(); });
    for (const char* n : {"Excuter1", "SpeedButton8"})
        bind(n, [&c] { c.Exec(); });
    bind("Optimisation1", [&c] { c.Optimiser(); });

    bind("Annuler1", [&c] { c.Annule(); });
    bind("Couper1", [&c] { c.Couper(); });
    for (const char* n : {"Copier1", "CopyBtn"})
        bind(n, [&c] { c.Copier(); });
    for (const char* n : {"Coller1", "PasteBtn"})
        bind(n, [&c] { c.Coller(); }, true);

    for (const char* n : {"Prcdent1", "SpeedButton3"})
        bind(n, [&c] { c.Precedent(); });
    for (const char* n : {"Suivant1", "SpeedButton4"})
        bind(n, [&c] { c.Suivant(); });
    for (const char* n : {"Premier1", "SpeedButton2"})
        bind(n, [&c] { c.Premier(); });
    for (const char* n : {"Dernier1", "SpeedButton5"})
        bind(n, [&c] { c.Dernier(); });
    for (const char* n : {"Ajiouter1", "SpeedButton6"})
        bind(n, [&c] { c.Ajouter(); }, true);
    bind("Insrer1", [&c] { c.Insere(); });
    bind("Supprimer1", [&c] { c.Supprimer(); });
    bind("Inverserlordre1", [&c] { c.Inverser(); });
    bind("Effacer1", [&c] { c.Effacer(); });
    bind("Miroirhorizontal1", [&c] { c.MiroirH(); });
    bind("MiroirVertical1", [&c] { c.MiroirV(); });
    bind("Rotation1", [this, &c] {
        c.Rotation();
        childWindow_->setFocus();  // the document takes the keyboard back
    });
    bind("Dplacer1", [&c] { c.Deplacer(); });
    bind("Redimensionner1", [&c] { c.Taille(); });
    bind("Rchantilloner1", [&c] { c.Rechantilloner(); });
    bind("Effetsspciaux1", [&c] { c.Speciaux(); });
    bind("Transiitonaprs1", [&c] { c.TransApres(); });
    bind("Transiitonavant1", [&c] { c.TransAvant(); });

    // The drawing tools; the cursor over the picture tells which is active.
    const auto tool = [this](void (TChild::*select)(), Qt::CursorShape shape) {
        return [this, select, shape] {
            (child_.get()->*select)();
            if (QWidget* image = childWindow_->findChild<QWidget*>(QStringLiteral("Image1")))
                image->setCursor(shape);
        };
    };
    bind("SpeedButton9", [&c] { c.Pointeur(); });
    bind("SpeedButton11", tool(&TChild::Pinceau, Qt::CrossCursor));
    bind("PipButton", tool(&TChild::Pipette, Qt::PointingHandCursor));
    bind("FillButton", tool(&TChild::Remplir, Qt::CrossCursor));
    bind("TextButton", tool(&TChild::Texte, Qt::IBeamCursor));

    bind("Index1", [this] { HContents(); });
    bind("Rechercher1", [this] { HSearch(); });
    bind("Utiliserlaide1", [this] { HowToUse(); });
    bind("About1", [this] { About1Click(); });
}

void TMainForm::route(const std::function<void()>& command, bool valide)
{
    QString failure;
    try {
        command();
    } catch (const std::exception& e) {
        failure = messageOf(e);  // running out of memory reads as such
    } catch (...) {
        failure = QStringLiteral("Erreur inattendue.");
    }
    if (valide)
        Valide();
    if (!failure.isEmpty()) {
        if (ports_.showError)
            ports_.showError(failure);
        else
            QMessageBox::critical(this, windowTitle(), failure);
    }
}

void TMainForm::Valide()
{
    for (const char* name : valideNames()) {
        const QString objectName = QString::fromLatin1(name);
        if (QAction* a = findChild<QAction*>(objectName))
            a->setEnabled(true);
        else if (auto* w = findChild<QToolButton*>(objectName))
            w->setEnabled(true);
    }
}

void TMainForm::ShowHint(const QString& hint) { hintPanel_->setText(hint); }

bool TMainForm::event(QEvent* event)
{
    // Status tips of menu items and controls go to panel 0, never over it.
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // A control whose long hint is empty still clears the panel ("Ouvrir|").
    if (event->type() == QEvent::Enter)
        ShowHint(watched->property("statusHint").toString());
    else if (event->type() == QEvent::Leave)
        ShowHint(QString());
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::Timer1Timer()
{
    const QTime time = ports_.now ? ports_.now() : QTime::currentTime();
    // The locale's long time format, without the time zone name.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    clockPanel_->setText(QLocale::system().toString(time, format.trimmed()));
}

Colour TMainForm::drawingColour() const { return swatch_->colour(); }

void TMainForm::setDrawingColour(Colour colour) { swatch_->setColour(colour); }

void TMainForm::Panel1Click()
{
    const QColor current = toQColor(drawingColour());
    std::optional<QColor> chosen;
    if (ports_.chooseColour) {
        chosen = ports_.chooseColour(current);
    } else {
        const QColor c = QColorDialog::getColor(current, this, QStringLiteral("Couleur"));
        if (c.isValid())
            chosen = c;
    }
    if (chosen)
        setDrawingColour(fromQColor(*chosen));
}

HelpWindow* TMainForm::helpWindow()
{
    if (!help_)
        help_ = new HelpWindow(this);
    return help_;
}

void TMainForm::HContents() { helpWindow()->showContents(); }
void TMainForm::HSearch() { helpWindow()->showSearch(); }
void TMainForm::HowToUse() { helpWindow()->showHowToUse(); }

void TMainForm::About1Click()
{
    TAboutBox box(this);
    box.exec();
}

void TMainForm::OpenItemClick()
{
    const QString file = ports_.chooseOpenFile ? ports_.chooseOpenFile() : WidgetPrompts::chooseOpenFile(this);
    if (file.isEmpty())
        return;  // a cancelled dialog enables nothing
    route([this, &file] { child_->Charge(file); }, true);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        StartDirectory = QDir::currentPath();
        childWindow_->setFocus();
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // The document may refuse: the user cancelled, or a save failed.
    bool mayClose = false;
    route([this, &mayClose] { mayClose = child_->FormCloseQuery(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    // The file dialogs may have changed the current directory.
    if (!StartDirectory.isEmpty())
        QDir::setCurrent(StartDirectory);
    QMainWindow::closeEvent(event);
}

} // namespace orugif
