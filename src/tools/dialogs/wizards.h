// TAssistant (the animation wizard) and TBanniere (the banner wizard):
// three pages each, "Annuler" and "Terminer"; only "Terminer" gives a result.
#pragma once
#include "document/wizards.h"
#include "tools/picturelist.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;

namespace orugif {

// The size page, the animation page and "Annuler"/"Terminer", shared by
// both wizards.
class WizardPages : public QDialog {
    Q_OBJECT
public:
    int exec() override;

protected:
    WizardPages(const char* name, const QStringList& sizeModes, QSize defaultSize, QWidget* parent);
    // The third page and its buttons row.
    void finishPages(QWidget* third, const QString& caption, QLayout* buttons);
    // The size and animation pages as the user left them.
    template <typename Result>
    void readPages(Result& result) const;
    // "Annuler" and "Terminer", right-aligned.
    QLayout* terminerRow();
    void showEvent(QShowEvent* event) override;

    QTabWidget* pages_;
    QButtonGroup* sizeMode_;
    QLineEdit* width_;
    QLineEdit* height_;
    QCheckBox* transparent_;
    QLineEdit* repeat_;
    QLineEdit* delay_;
    QWidget* animationPage_;
    bool accepted_ = false;
};

class TAssistant : public WizardPages {
    Q_OBJECT
public:
    // `chooseFiles` runs the file chooser (several files at once).
    explicit TAssistant(std::function<QStringList()> chooseFiles = {}, QWidget* parent = nullptr);
    AnimationWizardResult Result() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SpeedButton1Click();  // "Ajouter"
    QCheckBox* fit_;           // "Ajuster les images à la taille des cadres"
    void SpeedButton2Click();  // "Supprimer"
    void showList();

    std::function<QStringList()> chooseFiles_;
    tools::PictureList list_;
    QListWidget* box_;
};

class TBanniere : public WizardPages {
    Q_OBJECT
public:
    // `chooseFont` runs the font chooser: the font chosen, or the one given.
    explicit TBanniere(std::function<editing::TextFont(const editing::TextFont&)> chooseFont = {},
                       QWidget* parent = nullptr);
    BannerWizardResult Result() const;

private:
    std::function<editing::TextFont(const editing::TextFont&)> chooseFont_;
    editing::TextFont font_;
    QLineEdit* frames_;
    QPlainTextEdit* memo_;
    QComboBox* effect_;
};

} // namespace orugif
