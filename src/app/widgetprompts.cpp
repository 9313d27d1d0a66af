#include "app/widgetprompts.h"

#include "app/dialogfolder.h"
#include "editing/dialogs/effectsdialog.h"
#include "editing/dialogs/textdialog.h"
#include "editing/dialogs/transformdialogs.h"
#include "editing/dialogs/transitiondialog.h"

#include "tools/dialogs/animationdialog.h"
#include "tools/dialogs/anime.h"
#include "tools/dialogs/frameviews.h"
#include "tools/dialogs/htmldialog.h"
#include "tools/dialogs/wizards.h"
#include "tools/htmltag.h"
#include "tools/optimisation.h"
#include "tools/dialogs/propertiesdialog.h"
#include "tools/dialogs/videodialog.h"

#include <algorithm>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QProgressDialog>
#include <QCoreApplication>

namespace orugif {

Answer WidgetPrompts::ask(const QString& question, Choices choices)
{
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape = QMessageBox::No;
    switch (choices) {
    case Choices::OkNo:
        buttons = QMessageBox::Ok | QMessageBox::No;
        break;
    case Choices::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case Choices::YesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    }
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question, buttons, parent_);
    box.setEscapeButton(escape);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return choices == Choices::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

} // namespace orugif

namespace orugif {

void WidgetPrompts::inform(const QString& message)
{
    QMessageBox::information(parent_, QApplication::applicationName(), message);
}

void WidgetPrompts::warn(const QString& message)
{
    QMessageBox::warning(parent_, QApplication::applicationName(), message);
}

bool WidgetPrompts::showProgress(const QString& label, std::int64_t done, std::int64_t total)
{
    if (!progress_) {
        // Modal: no other command runs meanwhile, but "Annuler" answers.
        progress_ = new QProgressDialog(label, QStringLiteral("Annuler"), 0, 1000, parent_);
        progress_->setObjectName(QStringLiteral("ProgressDialog"));
        progress_->setWindowTitle(QApplication::applicationName());
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setMinimumDuration(400);
        progress_->setAutoReset(false);
        progress_->setAutoClose(false);
        progress_->setValue(0);
    }
    if (progress_->labelText() != label)
        progress_->setLabelText(label);
    progress_->setValue(total > 0 ? int(std::clamp<std::int64_t>(done * 1000 / total, 0, 1000)) : 0);
    QCoreApplication::processEvents();
    return !progress_->wasCanceled();
}

void WidgetPrompts::endProgress()
{
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
}

int WidgetPrompts::runRotation()
{
    TRot dialog(parent_);
    dialog.exec();
    return dialog.Result();
}

QPoint WidgetPrompts::runMove(int width, int height)
{
    TDecaler dialog(parent_);
    dialog.Init(width, height);
    dialog.exec();
    return dialog.Result();
}

QSize WidgetPrompts::runResize(int width, int height)
{
    TRedim dialog(parent_);
    dialog.Init(width, height);
    dialog.exec();
    return dialog.Result();
}

QImage WidgetPrompts::runEffects(const QImage& picture) { return runEffectsChain(picture).result; }

DocumentPrompts::EffectsChoice WidgetPrompts::runEffectsChain(const QImage& picture)
{
    TEffets dialog(parent_);
    dialog.Init(picture);
    dialog.exec();
    EffectsChoice choice{picture, {}};
    dialog.Result(choice.result);
    if (dialog.session().confirmed)
        choice.effects = dialog.session().applied();
    return choice;
}

DocumentPrompts::TransitionChoice WidgetPrompts::runTransition(bool after, const QImage& picture)
{
    TransitionDialog dialog(after, parent_);
    dialog.Init(picture);
    dialog.exec();
    TransitionChoice choice;
    dialog.Result(choice.count, choice.kind);
    return choice;
}

QString WidgetPrompts::runText(int& angle, editing::TextFont& font)
{
    TEditext dialog(parent_);
    dialog.Init(font);
    dialog.exec();
    QString text;
    dialog.Result(text, angle, font);
    return text;
}

QString WidgetPrompts::chooseOpenFile(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Ouvrir"));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("gif"));
    dialog.setNameFilters({QStringLiteral("Tous formats (*.gif *.avi *.mp4 *.mkv *.webm *.mov)"),
                           QStringLiteral("gif (*.gif)"), QStringLiteral("avi (*.avi)"),
                           QString::fromUtf8("Vidéos (*.avi *.mp4 *.mkv *.webm *.mov)")});
    return app::runFileDialog(dialog);
}

QStringList WidgetPrompts::chooseWizardPictures(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Ajouter"));
    dialog.setObjectName(QStringLiteral("OpenPictureDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(QStringLiteral("Fichiers graphiques (*.bmp *.jpg *.jpe *.gif *.png *.pcx)"));
    return app::runFilesDialog(dialog);
}

QString WidgetPrompts::runSaveDialog(const QString& title, const char* name, const QString& suffix,
                                     const QString& filter, const QString& current)
{
    QFileDialog dialog(parent_, title);
    dialog.setObjectName(QString::fromLatin1(name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilter(filter);
    // The overwrite question is the document's own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!current.isEmpty())
        dialog.selectFile(current);
    return app::runFileDialog(dialog, current.isEmpty());
}

QString WidgetPrompts::chooseSaveFile(const QString& current)
{
    return runSaveDialog(QStringLiteral("Enregistrer sous"), "SaveDialog1", QStringLiteral("gif"),
                         QStringLiteral("Gif (*.gif)"), current);
}

Placement WidgetPrompts::askPlacement(QSize picture, QSize frame)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Importer image"),
                    QStringLiteral("L'image (%1 x %2) n'a pas la taille des cadres (%3 x %4).\n"
                                   "Placer : à sa taille, au centre. Ajuster : agrandie ou réduite pour tenir "
                                   "dans le cadre, sans déformation.")
                        .arg(picture.width())
                        .arg(picture.height())
                        .arg(frame.width())
                        .arg(frame.height()),
                    QMessageBox::NoButton, parent_);
    box.setObjectName(QStringLiteral("PlacementBox"));
    QPushButton* place = box.addButton(QStringLiteral("Placer"), QMessageBox::AcceptRole);
    QPushButton* fit = box.addButton(QStringLiteral("Ajuster"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box.setDefaultButton(place);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == fit)
        return Placement::Fit;
    return box.clickedButton() == place ? Placement::Place : Placement::Cancel;
}

QString WidgetPrompts::chooseImportFile()
{
    QFileDialog dialog(parent_, QStringLiteral("Importer image"));
    dialog.setObjectName(QStringLiteral("OpenPictureDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({
        QStringLiteral("Tout (*.png *.jpg *.jpeg *.bmp *.ico *.emf *.wmf *.gif *.pcx)"),
        QStringLiteral("Portable Graphics Network (*.png)"),
        QStringLiteral("JPEG Image File (*.jpg)"),
        QStringLiteral("JPEG Image File (*.jpeg)"),
        QStringLiteral("Bitmaps (*.bmp)"),
        QString::fromUtf8("Icônes (*.ico)"),
        QString::fromUtf8("MétaFichiers améliorés (*.emf)"),
        QStringLiteral("MetaFichiers (*.wmf)"),
        QStringLiteral("Format Gif (*.gif)"),
        QStringLiteral("PCX (*.pcx)"),
    });
    return app::runFileDialog(dialog);
}

QStringList WidgetPrompts::exportFilters()
{
    return {
        QStringLiteral("Tout (*.jpg *.gif *.bmp *.pcx)"),
        QStringLiteral("JPEG Image File (*.jpg)"),
        QStringLiteral("GIF Image (*.gif)"),
        QStringLiteral("Bitmaps (*.bmp)"),
        QStringLiteral("Pxc (*.pcx)"),
    };
}

QString WidgetPrompts::chooseExportFile()
{
    QFileDialog dialog(parent_, QStringLiteral("Exporter cadre"));
    dialog.setObjectName(QStringLiteral("SavePictureDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(exportFilters());
    return app::runFileDialog(dialog);
}

QString WidgetPrompts::chooseAviFile(const QString& current)
{
    return runSaveDialog(QStringLiteral("Exporter en avi"), "SaveDialog2", QStringLiteral("avi"),
                         QStringLiteral("Video pour Windows (*.avi)"), current);
}

QString WidgetPrompts::chooseAnimationFile(const QString& current)
{
    QFileDialog dialog(parent_, QString::fromUtf8("Exporter en vidéo ou image animée"));
    dialog.setObjectName(QStringLiteral("SaveDialog3"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList filters{QStringLiteral("MP4 (*.mp4)"), QStringLiteral("WebM (*.webm)"),
                              QString::fromUtf8("WebP animé (*.webp)"), QString::fromUtf8("PNG animé (*.png)")};
    const QStringList suffixes{QStringLiteral("mp4"), QStringLiteral("webm"), QStringLiteral("webp"), QStringLiteral("png")};
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes.front());
    // A bare name takes the suffix of the kind shown.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(suffixes.value(filters.indexOf(filter), suffixes.front()));
    });
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the document asks
    if (!current.isEmpty())
        dialog.selectFile(current);
    return app::runFileDialog(dialog, current.isEmpty());
}

bool WidgetPrompts::runAnimationOptions(formats::AnimationOptions& options,
                                        const std::function<std::int64_t(const formats::AnimationOptions&)>& estimate)
{
    TOptAnimation dialog(options, estimate, parent_);
    dialog.exec();
    if (!dialog.accepted())
        return false;
    options = dialog.Result();
    return true;
}

bool WidgetPrompts::runProperties(int& repeatCount, int& frameDelay, int gifVersion, bool& transparent)
{
    TParametres dialog(parent_);
    dialog.Init(repeatCount, frameDelay, gifVersion, transparent);
    dialog.exec();
    dialog.Result(repeatCount, frameDelay, transparent);
    return dialog.Accepted();
}

int WidgetPrompts::runFrameDelay(int frameNumber, int delay)
{
    bool ok = false;
    const int chosen = QInputDialog::getInt(parent_, QStringLiteral("Durée du cadre"),
                                            QStringLiteral("Durée d'apparition du cadre %1 (en 1/100 sec)").arg(frameNumber),
                                            delay, 0, 0xFFFF, 1, &ok);
    return ok ? chosen : -1;
}

int WidgetPrompts::runFramesDelay(int count, int delay)
{
    bool ok = false;
    const int chosen = QInputDialog::getInt(parent_, QStringLiteral("Durée des cadres"),
                                            QStringLiteral("Durée d'apparition de chacun des %1 cadres (en 1/100 sec)").arg(count),
                                            delay, 0, 0xFFFF, 1, &ok);
    return ok ? chosen : -1;
}

int WidgetPrompts::runSpeed(int count)
{
    bool ok = false;
    const int chosen = QInputDialog::getInt(parent_, QStringLiteral("Vitesse"),
                                            QStringLiteral("Vitesse des %1 cadres, en % (200 : deux fois plus vite, "
                                                           "50 : deux fois moins vite)").arg(count),
                                            100, 1, 10000, 10, &ok);
    return ok ? chosen : -1;
}

int WidgetPrompts::runDropEvery(int count)
{
    bool ok = false;
    const int chosen = QInputDialog::getInt(parent_, QStringLiteral("Supprimer un cadre sur N"),
                                            QStringLiteral("Parmi les %1 cadres, supprimer un cadre sur (sa durée va au "
                                                           "cadre d'avant) :").arg(count),
                                            2, 2, std::max(count, 2), 1, &ok);
    return ok ? chosen : -1;
}

void WidgetPrompts::runOptimisation(AnimationSettings& settings, const std::vector<QImage>& frames)
{
    TOptimum dialog(parent_);
    dialog.Init(settings.RemoveLocalPalettes, settings.MergeDuplicatePixels, settings.RemoveUselessFrames);
    dialog.InitReduction(settings.ColorReduction, settings.ReductionBits, settings.DitherMode);
    dialog.InitLossy(settings.LossyTolerance);
    dialog.EstimateFor(frames, settings);
    dialog.exec();
    dialog.Result(settings.RemoveLocalPalettes, settings.MergeDuplicatePixels, settings.RemoveUselessFrames);
    dialog.ResultReduction(settings.ColorReduction, settings.ReductionBits, settings.DitherMode);
    dialog.ResultLossy(settings.LossyTolerance);
    // The choice becomes the user's for the next documents.
    if (dialog.Accepted())
        tools::rememberReduction({settings.ColorReduction, settings.ReductionBits, settings.DitherMode});
}

void WidgetPrompts::runPlayback(const std::vector<QImage>& frames, const AnimationSettings& settings,
                                const std::function<void(int, int)>& progress)
{
    TAnime window(parent_);
    window.Init(frames, settings, progress);
    window.exec();
}

std::vector<int> WidgetPrompts::runFrameList(int frameCount)
{
    TListe dialog(frameCount, parent_);
    dialog.exec();
    return dialog.Result();
}

int WidgetPrompts::runThumbnails(const std::vector<QImage>& frames)
{
    TVignettes view(frames, parent_);
    view.exec();
    return view.Result();
}

void WidgetPrompts::runHtml(const QString& name, QSize size)
{
    THtml dialog(clipboard_, parent_);
    dialog.Init(name, tools::sizeText(size.width(), size.height()));
    dialog.exec();
}

DocumentPrompts::VideoChoice WidgetPrompts::runVideoOptions(const formats::VideoInfo& info)
{
    TOptAvi dialog(parent_);
    dialog.Init(info);
    dialog.exec();
    return dialog.Result();
}

AnimationWizardResult WidgetPrompts::runAnimationWizard()
{
    QWidget* owner = nullptr;
    TAssistant wizard([&owner] { return chooseWizardPictures(owner); }, parent_);
    owner = &wizard;
    wizard.exec();
    return wizard.Result();
}

BannerWizardResult WidgetPrompts::runBannerWizard()
{
    TBanniere wizard({}, parent_);
    wizard.exec();
    return wizard.Result();
}

} // namespace orugif
