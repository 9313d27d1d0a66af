// The main window (form "MainForm"): menus, tool bar, status bar with the hint
// panel and the clock, and the one document window inside its MDI area. Every
// command goes to that one document through route(), which shows a failure's
// message and keeps the editor usable.
#pragma once
#include "accessories/clock.h"
#include "accessories/dialogs/textprinter.h"
#include "common/colour.h"

#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QTime>
#include <QUrl>
#include <functional>
#include <future>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QButtonGroup;

namespace orugif {
namespace app {
struct DropPlan;
}

class ClipboardPort;
class ChildWindow;
class ColourSwatch;
class DocumentPrompts;
class HelpWindow;
class TBlocnotes;
class TChild;
namespace record {
class ScreenSource;
}

// The services the main window reaches outside itself; tests replace them.
struct MainPorts {
    std::shared_ptr<DocumentPrompts> prompts{};  // null: real message boxes
    std::shared_ptr<ClipboardPort> clipboard{};  // null: the system clipboard
    std::function<void(const QString&)> showError{};                      // null: a message box
    std::function<std::optional<QColor>(const QColor&)> chooseColour{};   // null: QColorDialog
    std::function<QTime()> now{};                                         // null: the system clock
    std::function<QString()> chooseOpenFile{};                            // null: the open dialog
    accessories::ClockSetter setClock{};                                  // null: the system clock
    TextPrinter printNote{};                                              // null: the default printer
    QString notePath{};                                                   // empty: the user's data folder
    std::function<bool(const QUrl&)> openUrl{};                           // null: the desktop's browser
    // The screen to record and the picker of a region or window on it.
    std::function<std::unique_ptr<record::ScreenSource>(QString*)> openScreen{};  // null: the session's screen
    std::function<QRect(bool window)> pickOnScreen{};                               // null: the picker over the screen
    int recordCountdown = 3;                                                        // seconds before recording starts
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(MainPorts ports = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    TChild& child() { return *child_; }
    ChildWindow* childWindow() const { return childWindow_; }
    QString StartDirectory;

    // Enables every command disabled at start; nothing disables them again.
    // A command the editor cannot carry out yet stays disabled.
    void Valide();
    // Does the menu item or button `name` run a command?
    bool isBuilt(const QString& name) const { return bound_.contains(name); }
    // Restores the size and place the window had when it was last closed;
    // false when none is remembered.
    bool restoreWindowPlace();
    // Runs `command` on the document; a failure's message is shown. With
    // `valide`, Valide runs afterwards whatever the outcome.
    void route(const std::function<void()>& command, bool valide = false);

    void ShowHint(const QString& hint);  // status panel 0
    void Timer1Timer();                  // status panel 1: time of day
    void Panel1Click();                  // the colour dialog for the swatch
    Colour drawingColour() const;
    void setDrawingColour(Colour colour);

    QAction* action(const char* name) const;
    QLabel* hintPanel() const { return hintPanel_; }
    QLabel* clockPanel() const { return clockPanel_; }
    HelpWindow* helpWindow();
    TBlocnotes* notepad() const { return notepad_; }

    void HContents();
    void HSearch();
    void HowToUse();
    void About1Click();
    // "&Ouvrir...": the open dialog, then the file; Valide when one was chosen.
    void OpenItemClick();
    // Files dropped on the window or named on the command line: `plan`
    // carried out through the document (the save question comes first
    // when an animation opens).
    void openFiles(const app::DropPlan& plan);
    // The "&Fichier" entries of the last files opened or saved.
    QList<QAction*> recentActions() const;
    // "&Lancer navigateur": the saved file in the user's browser.
    void Lancernavigateur1Click();
    // "Enregistrer l'écran...": the options, a countdown, the recording with
    // its control window, then the frames as a new document.
    void recordScreen();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    // Disables "Enregistrer l'écran..." where no screen can be read. The
    // session's own screen is asked off the window's thread (a desktop
    // portal that is slow to start must not hold up the editor's start);
    // the answer is applied when it comes.
    void offerRecording();
    void applyRecordingOffer(bool offered, const QString& why);
    void buildToolBar();
    void buildStatusBar();
    void connectCommands();
    void bind(const char* name, std::function<void()> command, bool valide = false);
    void disableUnbuiltCommands();
    // Grows the window, up to the screen's free area, so a frame of `size`
    // shows whole at the zoom.
    void fitFrame(QSize size);
    void showCaption(const QString& caption);
    QString notePath() const;
    // Saves the note at closing; false when the user keeps the editor open
    // after a failed save.
    bool saveNote();
    void rememberFile();
    void showRecentFiles();
    void openRecent(const QString& path);

    MainPorts ports_;
    std::unique_ptr<TChild> child_;
    ChildWindow* childWindow_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    ColourSwatch* swatch_ = nullptr;
    QButtonGroup* tools_ = nullptr;
    QLabel* hintPanel_ = nullptr;
    QLabel* clockPanel_ = nullptr;
    QTimer* timer_ = nullptr;
    // Whether the session's screen can be read, asked on a thread of its own.
    std::future<std::pair<bool, QString>> screenProbe_;
    HelpWindow* help_ = nullptr;
    TBlocnotes* notepad_ = nullptr;
    QMdiSubWindow* sub_ = nullptr;
    QSet<QString> bound_;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recent_;
    bool shown_ = false;
};

} // namespace orugif
