#include "app/mainform.h"

#include "accessories/dialogs/blocnotes.h"
#include "accessories/dialogs/calendrier.h"
#include "accessories/dialogs/eurof.h"
#include "accessories/dialogs/horloge.h"
#include "accessories/dialogs/pocket.h"
#include "accessories/notefile.h"
#include "app/aboutbox.h"
#include "app/dropplan.h"
#include "app/recentfiles.h"
#include "app/colourswatch.h"
#include "app/helpwindow.h"
#include "app/menus.h"
#include "record/dialogs/recordcontrol.h"
#include "record/dialogs/recorddialog.h"
#include "record/screensource.h"
#include "common/error.h"
#include "common/limits.h"
#include "document/child.h"
#include "document/prompts.h"
#include "common/filename.h"
#include "tools/htmltag.h"
#include "tools/optimisation.h"
#include "document/clipboard.h"
#include "document/view/childwindow.h"
#include "document/view/framestrip.h"
#include "document/view/zoom.h"
#include "app/widgetprompts.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <chrono>
#include <exception>

namespace orugif {

using namespace app;

TMainForm::TMainForm(MainPorts ports, QWidget* parent) : QMainWindow(parent), ports_(std::move(ports))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Oru Gif"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/orugif.svg")));
    resize(582, 357);

    if (!ports_.clipboard)
        ports_.clipboard = std::make_shared<SystemClipboard>();
    if (!ports_.prompts)
        ports_.prompts = std::make_shared<WidgetPrompts>(this, *ports_.clipboard);

    buildMenus();
    buildToolBar();
    buildStatusBar();

    // The one document window, alive as long as the main window; it has no
    // close or minimise buttons, so commands never find it missing.
    child_ = std::make_unique<TChild>(*ports_.prompts, *ports_.clipboard);
    child_->setDrawingColourSource([this] { return drawingColour(); });
    // The reduction the user chose last, for this run's documents.
    const tools::ReductionChoice reduction = tools::rememberedReduction();
    child_->ColorReduction = reduction.method;
    child_->ReductionBits = reduction.bits;
    child_->DitherMode = reduction.dither;
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(mdi_);
    childWindow_ = new ChildWindow(*child_);
    // The strip's commands run as the menus' do: errors shown, menus refreshed.
    childWindow_->frameStrip()->setCommandRunner([this](const std::function<void()>& command) { route(command, true); });
    {
        const bool shown = QSettings().value(QStringLiteral("window/frameStrip"), true).toBool();
        childWindow_->setStripShown(shown);
        QAction* strip = action("Bandedescadres1");
        strip->setCheckable(true);
        strip->setChecked(shown);
    }
    sub_ = mdi_->addSubWindow(childWindow_, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    sub_->setWindowTitle(child_->caption());
    sub_->showMaximized();
    connect(child_.get(), &TChild::captionChanged, this, &TMainForm::showCaption);
    connect(child_.get(), &TChild::colourPicked, this, &TMainForm::setDrawingColour);
    connect(child_.get(), &TChild::pictureAreaChanged, this, &TMainForm::fitFrame);
    // A file opened or saved under its name joins the recent files.
    connect(child_.get(), &TChild::captionChanged, this, &TMainForm::rememberFile);
    setAcceptDrops(true);

    // The notepad lives as long as the main window; its menu item shows it.
    notepad_ = new TBlocnotes(ports_.printNote, this);

    connectCommands();
    disableUnbuiltCommands();
    offerRecording();
    recentSeparator_ = new QAction(this);
    recentSeparator_->setSeparator(true);
    findChild<QMenu*>(QStringLiteral("Fichier1"))->insertAction(action("ExitItem"), recentSeparator_);
    showRecentFiles();

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
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(e.shortcut)));
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
    bound_.insert(objectName);
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
    for (const char* n : {"Enregistrerecran1", "RecordBtn"})
        bind(n, [this] { recordScreen(); }, true);
    bind("Animation2", [&c] { c.NouvelleAnim(); }, true);
    bind("Bannire1", [&c] { c.NouvelleBanniere(); }, true);
    for (const char* n : {"OpenItem", "OpenBtn"})
        bind(n, [this] { OpenItemClick(); });  // routes the opening itself
    for (const char* n : {"SaveItem", "SaveBtn"})
        bind(n, [&c] { c.Sauve(0); });
    bind("Enregistrersous1", [&c] { c.Sauve(1); });
    for (const char* n : {"Importerimage1", "SpeedButton7"})
        bind(n, [&c] { c.Importer(); }, true);
    bind("Exportercadre1", [&c] { c.Exporter(); });
    bind("Exporteranavi1", [&c] { c.SauveEnAvi(); });
    bind("Exportervideo1", [&c] { c.ExporterAnimation(); });
    bind("Proprits1", [&c] { c.Params(); });
    for (const char* n : {"Excuter1", "SpeedButton8"})
        bind(n, [&c] { c.Exec(); });
    bind("Optimisation1", [&c] { c.Optimiser(); });

    bind("Annuler1", [&c] { c.Annule(); });
    bind("Retablir1", [&c] { c.Retablit(); });
    // "&Annuler" and "&Rétablir" name the step they would take back, and
    // are enabled only when there is one.
    connect(&c, &TChild::historyChanged, this, [this] {
        const History& history = child_->history();
        action("Annuler1")->setText(undoCaption(history));
        action("Annuler1")->setEnabled(history.canUndo());
        action("Retablir1")->setText(redoCaption(history));
        action("Retablir1")->setEnabled(history.canRedo());
    });
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
    bind("Dureducadre1", [&c] { c.DureeCadre(); });
    bind("Inverserlordre1", [&c] { c.Inverser(); });
    bind("Listedescadres1", [&c] { c.ListeCadres(); });
    bind("Montrerlescadres1", [&c] { c.Montrer(); });
    bind("HTML1", [&c] { c.HtmlCode(); });
    for (const char* n : {"Lancernavigateur1", "SpeedButton10"})
        bind(n, [this] { Lancernavigateur1Click(); });
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
    bind("Zoomavant1", [this] { childWindow_->zoomIn(); });
    bind("Zoomarriere1", [this] { childWindow_->zoomOut(); });
    bind("Taillereelle1", [this] { childWindow_->actualSize(); });
    bind("Ajusterfenetre1", [this] { childWindow_->fitToWindow(); });
    // The frame strip, shown or hidden, stays so in the next runs.
    bind("Bandedescadres1", [this] {
        const bool shown = action("Bandedescadres1")->isChecked();
        childWindow_->setStripShown(shown);
        QSettings().setValue(QStringLiteral("window/frameStrip"), shown);
    });

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

    // The desk accessories: each a modal window of its own, but the notepad,
    // which keeps its text between showings.
    bind("Calendrier1", [this] { TCalendrier(QDate::currentDate(), this).exec(); });
    bind("Horloge1", [this] {
        THorloge(ports_.setClock ? ports_.setClock : accessories::setSystemClock, {}, this).exec();
    });
    bind("Calculatrice1", [this] { TPocket(this).exec(); });
    bind("Euroconversion1", [this] { TEurof(this).exec(); });
    bind("Blocnotes1", [this] { notepad_->exec(); });

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

void TMainForm::disableUnbuiltCommands()
{
    // A command without an operation behind it would be a click that does
    // nothing: it is shown, but disabled.
    for (const MenuEntry& e : menuEntries()) {
        const QString name = QString::fromLatin1(e.name);
        if (e.level > 0 && !isBuilt(name))
            if (QAction* a = findChild<QAction*>(name); a && !a->menu())
                a->setEnabled(false);
    }
    for (const ToolEntry& e : toolEntries())
        if (auto* b = findChild<QToolButton*>(QString::fromLatin1(e.name)); b && !isBuilt(b->objectName()))
            b->setEnabled(false);
    // A submenu whose items are all disabled is disabled too.
    for (QMenu* menu : findChildren<QMenu*>()) {
        if (!menu->menuAction() || menu->parent() == menuBar())
            continue;
        bool any = false;
        for (QAction* a : menu->actions())
            any = any || (a->isEnabled() && !a->isSeparator());
        menu->menuAction()->setEnabled(any);
    }
}

void TMainForm::Valide()
{
    for (const char* name : valideNames()) {
        const QString objectName = QString::fromLatin1(name);
        if (!isBuilt(objectName))
            continue;
        if (QAction* a = findChild<QAction*>(objectName))
            a->setEnabled(true);
        else if (auto* w = findChild<QToolButton*>(objectName))
            w->setEnabled(true);
    }
}

void TMainForm::ShowHint(const QString& hint) { hintPanel_->setText(hint); }

bool TMainForm::event(QEvent* event)
{
    // A modal dialog just closed: what it covered is painted again now,
    // before the work it asked for (a long save) holds the event loop and
    // leaves a piece of the dialog over the window.
    if (event->type() == QEvent::WindowUnblocked) {
        const bool handled = QMainWindow::event(event);
        if (isVisible())
            repaint();
        return handled;
    }
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

void TMainForm::offerRecording()
{
    QString why;
    if (ports_.openScreen) {
        const bool offered = ports_.openScreen(&why) != nullptr;
        applyRecordingOffer(offered, why);
        return;
    }
    screenProbe_ = std::async(std::launch::async, [] {
        QString reason;
        const bool offered = record::openScreen(&reason) != nullptr;
        return std::make_pair(offered, reason);
    });
    auto* poll = new QTimer(this);
    poll->setInterval(20);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (screenProbe_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        poll->stop();
        poll->deleteLater();
        const auto [offered, reason] = screenProbe_.get();
        applyRecordingOffer(offered, reason);
    });
    poll->start();
}

void TMainForm::applyRecordingOffer(bool offered, const QString& why)
{
    // Without a screen to read, the command stays disabled and says why.
    if (offered)
        return;
    for (const char* name : {"Enregistrerecran1", "RecordBtn"}) {
        if (QAction* a = action(name)) {
            a->setEnabled(false);
            a->setStatusTip(why);
            a->setToolTip(why);
        } else if (auto* b = findChild<QToolButton*>(QString::fromLatin1(name))) {
            b->setEnabled(false);
            b->setToolTip(why);
            b->setStatusTip(why);
        }
    }
}

void TMainForm::recordScreen()
{
    QString why;
    const std::unique_ptr<record::ScreenSource> screen = ports_.openScreen ? ports_.openScreen(&why)
                                                                           : record::openScreen(&why);
    if (!screen)
        throw Error(why);
    if (!child_->FormCloseQuery())
        return;
    record::TEnregistrement options(*screen, ports_.pickOnScreen, this);
    options.exec();
    if (!options.accepted())
        return;
    record::RecordOptions chosen = options.Result();
    // A screen shared by the desktop (Wayland) is asked for now, once for
    // the recording (unless the picker already did): the desktop may show
    // its chooser. Saying no there is a cancel, not an error.
    using Target = record::TEnregistrement::Target;
    const bool sharedWindow = options.target() == Target::Window && !screen->traits().windowsByPlace;
    const QRect guessed = screen->screenRect();
    switch (screen->share(chosen.pointer, sharedWindow, &why)) {
    case record::ScreenSource::Sharing::Cancelled:
        return;
    case record::ScreenSource::Sharing::Failed:
        throw Error(why);
    case record::ScreenSource::Sharing::Ready:
        break;
    }
    // The screen's true size is known from here on: the whole screen as it
    // was guessed becomes the whole screen shared.
    if (sharedWindow || chosen.region == guessed)
        chosen.region = screen->screenRect();
    chosen.region = chosen.region.intersected(screen->screenRect());
    if (chosen.region.isEmpty())
        throw Error(QString::fromUtf8("La zone à enregistrer est hors de l'écran."));
    chosen.pixelLimit = animationPixelLimit();
    // The editor steps aside when it stands in the way of the region.
    const bool aside = chosen.region.intersects(frameGeometry()) && isVisible();
    if (aside)
        showMinimized();
    record::RecordSession session(*screen, chosen, ports_.recordCountdown, record::grabGlobalKeys());
    record::TControleEnregistrement control(session, aside ? nullptr : this);
    control.adjustSize();
    // The control window goes beside the region when there is room, so it
    // is not recorded.
    const QRect all = screen->screenRect();
    const QSize size = control.frameGeometry().size();
    QPoint at(chosen.region.right() - size.width(), chosen.region.bottom() + 12);
    if (at.y() + size.height() > all.bottom())
        at.setY(chosen.region.top() - size.height() - 12);
    if (at.y() < all.top())
        at = QPoint(all.right() - size.width(), all.top());
    control.move(at.x() < all.left() ? all.left() : at.x(), at.y());
    session.begin();
    control.exec();
    if (aside) {
        showNormal();
        activateWindow();
    }
    const record::Recorder* recorder = session.recorder();
    if (!recorder || recorder->recording().frameCount() == 0)
        return;  // stopped before it began
    if (recorder->stoppedItself())
        ports_.prompts->warn(recorder->stopReason());
    child_->openRecording(recorder->recording().frames(), recorder->recording().delays());
    fitFrame(child_->ImageList1.frameSize());
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
        route([this] { notepad_->Charge(notePath()); });
    }
}

void TMainForm::showCaption(const QString& caption)
{
    sub_->setWindowTitle(caption);
    // The maximised document shows its name in the main caption
    // ("Oru Gif - [anim.gif]"); an untitled one leaves the program's name.
    if (caption.isEmpty())
        setWindowTitle(QStringLiteral("Oru Gif"));
}

void TMainForm::fitFrame(QSize size)
{
    if (isMaximized() || isFullScreen() || !isVisible())
        return;
    // The scroll area shows Panel1: the frame at the zoom and its one-pixel border.
    const QSize shown = childWindow_->findChild<QScrollArea*>()->viewport()->size();
    const QSize missing = (zoom::shownSize(size, childWindow_->scale()) + QSize(2, 2) - shown).expandedTo(QSize(0, 0));
    if (missing.isNull())
        return;
    const QRect available = screen()->availableGeometry();
    const QSize decoration = frameGeometry().size() - this->size();
    resize((this->size() + missing).boundedTo(available.size() - decoration));
    // Kept on the screen after growing.
    QRect place = frameGeometry();
    place.moveRight(std::min(place.right(), available.right()));
    place.moveBottom(std::min(place.bottom(), available.bottom()));
    place.moveLeft(std::max(place.left(), available.left()));
    place.moveTop(std::max(place.top(), available.top()));
    move(place.topLeft());
}

void TMainForm::Lancernavigateur1Click()
{
    // The browser shows the file as last saved.
    QString why;
    const QUrl url = tools::previewUrl(child_->FileName, why);
    if (url.isEmpty())
        throw Error(why);
    if (child_->Modified)
        ports_.prompts->inform(QStringLiteral("L'aperçu montre l'animation telle qu'elle a été enregistrée, "
                                              "sans les dernières modifications."));
    const bool opened = ports_.openUrl ? ports_.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        throw Error(QStringLiteral("Aucun programme n'a pu ouvrir %1.").arg(url.toLocalFile()));
}

void TMainForm::openFiles(const app::DropPlan& plan)
{
    switch (plan.action) {
    case app::DropPlan::Action::Refuse:
        throw Error(plan.refusal);
    case app::DropPlan::Action::Open:
        child_->Charge(plan.open);
        if (child_->FileName != plan.open)
            return;  // the user kept the document open
        if (!plan.frames.isEmpty())
            child_->appendPictures(plan.frames);
        break;
    case app::DropPlan::Action::Import:
        child_->importPicture(plan.frames.front());
        break;
    case app::DropPlan::Action::Append:
        child_->appendPictures(plan.frames);
        break;
    }
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    route([this, &urls] { openFiles(app::planDrop(urls)); }, true);
}

void TMainForm::rememberFile()
{
    const QString& name = child_->FileName;
    if (!name.isEmpty() && isExistingFile(name)) {
        app::RecentFiles().add(name);
        showRecentFiles();
    }
}

QList<QAction*> TMainForm::recentActions() const { return recent_; }

void TMainForm::showRecentFiles()
{
    QMenu* menu = findChild<QMenu*>(QStringLiteral("Fichier1"));
    // The entries go later: one of them may be the action being triggered.
    for (QAction* a : recent_) {
        menu->removeAction(a);
        a->deleteLater();
    }
    recent_.clear();
    const QStringList files = app::RecentFiles().files();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), this);
        a->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] { route([this, &path] { openRecent(path); }, true); });
        menu->insertAction(recentSeparator_, a);
        recent_ << a;
    }
    recentSeparator_->setVisible(!files.isEmpty());
}

void TMainForm::openRecent(const QString& path)
{
    if (!isExistingFile(path)) {
        app::RecentFiles().remove(path);
        showRecentFiles();
        throw Error(QStringLiteral("Le fichier %1 n'existe plus : il est retiré de la liste.").arg(displayName(path)));
    }
    openFiles(app::planOpen({path}));
}

QString TMainForm::notePath() const
{
    return ports_.notePath.isEmpty() ? accessories::notePath() : ports_.notePath;
}

bool TMainForm::saveNote()
{
    try {
        notepad_->Sauve(notePath());
        return true;
    } catch (const std::exception& e) {
        // The text stays in the notepad unless the user chooses to leave it.
        const QString question = QString::fromUtf8(e.what()) + QStringLiteral("\nQuitter sans enregistrer la note ?");
        return ports_.prompts->ask(question, Choices::YesNo) == Answer::Yes;
    }
}

bool TMainForm::restoreWindowPlace()
{
    const QByteArray place = QSettings().value(QStringLiteral("window/geometry")).toByteArray();
    return !place.isEmpty() && restoreGeometry(place);
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
    if (!saveNote()) {
        event->ignore();
        return;
    }
    // The file dialogs may have changed the current directory.
    if (!StartDirectory.isEmpty())
        QDir::setCurrent(StartDirectory);
    QSettings().setValue(QStringLiteral("window/geometry"), saveGeometry());
    QMainWindow::closeEvent(event);
}

} // namespace orugif
