// The animation document: its frame store, the working picture (the current
// frame being edited), the animation properties and the flags that decide
// when the working picture goes back into the store and when to ask to save.
// Widget-free: the window in view/ shows it, the command line drives it.
#pragma once
#include "common/colour.h"
#include "document/frameops.h"
#include "document/framestore.h"
#include "document/gifbuild.h"
#include "document/history.h"
#include "document/placement.h"
#include "document/wizards.h"
#include "editing/text.h"
#include "formats/animationwriter.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace orugif {

class ClipboardPort;
namespace gif {
class TGIFImage;
}
class DocumentPrompts;

class TChild : public QObject {
    Q_OBJECT
public:
    // Size of the picture area before any picture has set a frame size.
    static constexpr QSize kInitialPictureArea{261, 149};

    TChild(DocumentPrompts& prompts, ClipboardPort& clipboard, QObject* parent = nullptr);
    ~TChild() override;

    // --- document model and navigation
    void Init();
    // "&Nouveau": asks to save unsaved changes first, as opening does; a
    // cancel keeps everything.
    void Nouveau();
    QString GetFichier() const { return FileName; }
    void AffBarre();
    void LitCadre();
    void EcritCadre();
    void Precedent();
    void Suivant();
    void Premier();
    void Dernier();
    void Ajouter();
    void Insere();
    // Page Down runs Suivant, Page Up Precedent; returns true when handled.
    bool FormKeyDown(int key);
    // "&Annuler" and "&Rétablir": one step back or forward in the history
    // of changes; nothing when there is none.
    void Annule();
    void Retablit();
    // The history of changes ("&Annuler" and "&Rétablir" show its names).
    History& history() { return history_; }
    const History& history() const { return history_; }
    // The document as a step of the history keeps it.
    DocumentState captureState() const;

    // --- opening, saving, import and export
    void Charge(const QString& name);
    // Mode 0 "&Enregistrer", 1 "Enregistrer &sous..."; true when written.
    bool Sauve(int mode);
    // Asks for the file to save to, the dialog starting on `start` (the
    // document's name when empty).
    void SaveAs(const QString& start = {});
    // Builds `image` from the frame store with the document's settings.
    void MakeGif(gif::TGIFImage& image);
    void Importer();
    // Places a picture file centred on the working picture (no dialog);
    // with Placement::Fit, scaled first to fit the frame, keeping its aspect.
    void importPicture(const QString& path, Placement placement = Placement::Place);
    // One new frame per picture file, each centred on a white frame, after
    // the last; the first of them becomes current. Every file is read first:
    // one that fails changes nothing.
    void appendPictures(const QStringList& paths);
    void Exporter();
    // Writes the frames as an uncompressed 8-bit AVI with the frame delay.
    // Mode 0 writes to FileName; mode 1 asks for the file ("Exporter en
    // avi..."), asking before an existing file is replaced. True when written.
    bool SauveAvi(int mode);
    void SauveEnAvi() { SauveAvi(1); }
    // Writes the frames to `path` as an uncompressed 8-bit AVI, reduced as
    // the GIF save reduces them, each with its delay.
    void writeAviFile(const QString& path);
    // "Exporter en &vidéo ou image animée...": MP4, WebM, animated WebP or
    // animated PNG by the suffix of the name chosen, with the options
    // asked. True when written.
    bool ExporterAnimation();
    // Writes the frames to `path` in the format its suffix names, each with
    // its delay, the loop count and transparency where the format has them;
    // what had to change to fit the format is told to the user.
    void writeAnimationFile(const QString& path, formats::AnimationOptions options);
    // The options of those exports (as the dialog last confirmed them).
    formats::AnimationOptions animationOptions(formats::AnimationFormat format) const;
    // Writes the working picture to `path` by the kind of its name.
    void exportPicture(const QString& path) const;
    // May the document close? Asks to save changes first.
    bool FormCloseQuery();
    AnimationSettings settings() const;
    // The frames as saving would write them: the working picture's pending
    // edits in place (without writing them back).
    std::vector<QImage> framesAsSaved() const;

    // --- video
    // The frames of the video `name` the user chooses in the import
    // options, at full colour, the stream's delay and each frame's own
    // (from the rounded presentation times); false when cancelled. A clip
    // that decodes only in part gives what decodes, with a warning. Nothing
    // of the document changes here.
    bool LitAvi(const QString& name, std::vector<QImage>& frames, int& delay, std::vector<int>& delays);
    // Opens a video as the document's frames (Charge's work for videos).
    void openVideo(const QString& name);
    // A screen recording becomes the document: its frames at full colour
    // with the delays they were shown for, unnamed and not yet saved.
    void openRecording(std::vector<QImage> frames, std::vector<int> delays);

    // --- the wizards
    // "&Animation...": one frame per picture of the list. Every picture is
    // read before the document changes; the save question comes first.
    void NouvelleAnim();
    void buildAnimation(const AnimationWizardResult& wizard);
    // "&Bannière...": the banner frames drawn from the text.
    void NouvelleBanniere();
    void buildBanner(BannerWizardResult wizard);

    // --- playback
    // Writes the current frame back, then plays the animation (not when empty).
    void Exec();

    // --- animation properties and optimisation
    void Params();
    void Optimiser();

    // --- frame list editing and clipboard
    void Supprimer();
    void Couper();
    void Copier();
    void Coller();
    void Effacer();
    void Inverser();
    // "&Liste des cadres": reorders or deletes frames as confirmed.
    void ListeCadres();
    // The frames in `order` (indexes from 0; one left out is deleted); the
    // document is marked modified. An empty order
    // changes nothing; an index outside the store is refused.
    void reorderFrames(const std::vector<int>& order);
    // "Durée du &cadre...": the current frame's delay, asked for after the
    // working picture went back into the store.
    void DureeCadre();
    // The delay frame `index` is shown for: its own, or the animation's.
    int frameDelay(int index) const;
    // frameDelay of every frame, in order.
    std::vector<int> frameDelays() const;
    // Gives frame `index` its own delay (0 to 65535, hundredths of a
    // second).
    void setFrameDelay(int index, int delay);
    // "&Montrer les cadres": the thumbnails; the frame chosen becomes current.
    void Montrer();
    // "&HTML...": the tag for the saved file and the frame size.
    void HtmlCode();

    // --- the frame strip: a selection of frames and what acts on it
    // The selected frames (indexes from 0, in order); the strip sets them.
    const std::vector<int>& selectedFrames() const { return selection_; }
    void setSelectedFrames(std::vector<int> selection);
    // The frames the strip's commands act on: the selection, or the current
    // frame when nothing is selected.
    std::vector<int> framesToChange() const;
    // Makes frame `index` current (the working picture is written back first).
    void goToFrame(int index);
    // Each of these is one step of the history; the selection follows the
    // frames it names, and the current frame follows its own frame.
    void moveFrames(const std::vector<int>& selection, int target);
    void deleteFrames(const std::vector<int>& selection);
    void setFramesDelay(const std::vector<int>& selection, int delay);
    void changeSpeed(const std::vector<int>& selection, int percent);
    void dropEveryNth(const std::vector<int>& selection, int n);
    void duplicateFrames(const std::vector<int>& selection);
    void reverseFrames(const std::vector<int>& selection);
    // The strip's context menu: each asks for its value, then acts on
    // framesToChange().
    void DureeDesCadres();
    void VitesseDesCadres();
    void SupprimerUnSurN();
    // Mirrors, turns, moves, effects and text act on every selected frame
    // when more than one is selected, as one step.
    bool actsOnSelection() const { return selection_.size() > 1; }

    // --- geometric transforms and resampling
    void MiroirH();
    void MiroirV();
    void Rotation();
    void Deplacer();
    void Taille();
    void Rechantilloner();
    void Speciaux();
    // The banner generator: n frames of the store's size appended to it.
    void AjoutTxt(const QString& text, editing::TextFont& font, const QString& effect, int n);
    void TransApres() { transition(true); }
    void TransAvant() { transition(false); }

    // --- drawing tools
    void Pipette();
    void Remplir();
    void Pinceau();
    void Texte();
    void Pointeur();
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image1MouseMove(int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1Click();  // after press and release of the left button

    // The drawing colour lives in the main window's swatch; the document asks
    // for it when it fills.
    void setDrawingColourSource(std::function<Colour()> source) { drawingColour_ = std::move(source); }

    // --- the working picture and what the window shows
    const QImage& picture() const { return picture_; }
    QSize pictureArea() const { return pictureArea_; }
    const QString& statusText() const { return statusText_; }
    QString caption() const;

    // --- fields
    QString FileName;
    bool FrameChanged = false;
    bool NewFrame = true;
    bool Modified = false;
    bool AviAbandoned = false;
    int TextAngle = 0;
    int CurrentIndex = 0;
    int RepeatCount = 0;
    int FrameDelay = 30;
    bool TransparentBackground = false;
    bool RemoveLocalPalettes = false;
    bool MergeDuplicatePixels = false;
    bool RemoveUselessFrames = false;
    // The frames came from a video at full colour: saved on the cube with
    // Floyd-Steinberg by default, each frame dithered alone as the import
    // always showed them (see AnimationSettings::videoFrames).
    bool FromVideo = false;
    // The quality of the MP4, WebM and WebP exports (-1 each format's
    // default) and whether WebP is exact.
    int AnimationQuality = -1;
    bool AnimationLossless = false;
    // The clip the document was opened from: it is never written over;
    // "&Enregistrer" asks for a name instead.
    QString VideoSource;
    // Whether the document's name is still the clip it was opened from.
    bool namedAfterClip() const { return !VideoSource.isEmpty() && FileName == VideoSource; }
    // The colour reduction and dithering of saved frames (see
    // AnimationSettings); kept by "&Nouveau", as the codec's defaults are.
    // Automatic unless the user's remembered choice is given.
    int ColorReduction = 10;
    int ReductionBits = 8;
    int DitherMode = 0;
    // Lossy LZW coding of saved GIFs (see AnimationSettings); 0 is off.
    int LossyTolerance = 0;
    unsigned char GifVersion = 0;
    // An opened file without a loop extension plays once: no extension is
    // written until the repeat count is changed (it then reads -1).
    bool loopExtension = true;
    // The colour standing for the page in the frames of an opened file
    // with transparent areas (see AnimationSettings).
    std::optional<Colour> transparentColour;
    // The comments and application blocks of the opened file, written back
    // when it is saved (see AnimationSettings).
    std::vector<QByteArray> keptBlocks;
    bool PipetteOn = false;
    bool FillOn = false;
    bool TextOn = false;
    bool BrushOn = false;
    bool Drawing = false;
    int ClickX = 0;
    int ClickY = 0;
    QString TextToDraw;
    editing::TextFont PictureFont;  // the working picture's font for the text tool

    FrameStore ImageList1;

signals:
    void pictureChanged();                // the working picture must be repainted
    void statusChanged(const QString& text);
    void captionChanged(const QString& caption);
    void pictureAreaChanged(QSize size);  // Panel1 follows the frame size
    void colourPicked(orugif::Colour colour);  // the pipette took a colour
    void textStamped();                        // the picture shows the hand pointer
    void progress(int position, int maximum);  // a long build runs
    void progressDone();
    void historyChanged();                     // a step was recorded, undone or redone
    void selectionChanged();                   // the selected frames changed

protected:
    DocumentPrompts& prompts() { return prompts_; }
    // Closes the progress bar and window of a long task however it ends.
    struct ProgressShown {
        TChild& child;
        ~ProgressShown();
    };
    ClipboardPort& clipboard() { return clipboard_; }

    // Replaces the working picture and shows it.
    void setPicture(const QImage& picture);
    // The working picture, made a white bitmap of the picture area's size
    // first when it holds no picture, as drawing on an empty picture does.
    QImage& ensurePicture();
    // Makes the working picture all white, of its own size (the picture
    // area's when it holds none).
    void whitePicture();
    // Sets the store's frame size and the picture area (Panel1) to `size`.
    void setFrameSize(QSize size);
    void setFileName(const QString& name);
    // Replaces every frame by `frames` of `size` (resize, resample, wizards)
    // with `delays` (see FrameStore::assign).
    void rebuildStore(std::vector<QImage> frames, QSize size, std::vector<int> delays = {});
    // A finished edit of the working picture: shown, and marked for write-back.
    void pictureEdited(const QImage& picture);
    void selectTool(bool* tool);
    void stampText();
    // The document reset to the wizard's new frames and settings.
    template <typename Wizard>
    void startWizardAnimation(std::vector<QImage> frames, QSize size, const Wizard& wizard);
    void transition(bool after);

    // Runs `change` as one step of the history named `name`: the document
    // before and after it, when they differ, even when `change` fails half
    // way. A change run inside another is part of it.
    void recorded(const QString& name, const std::function<void()>& change);
    // The document becomes `state`, shown at once.
    void restoreState(const DocumentState& state);
    // A new or opened document: no step to undo, and it counts as saved.
    void resetHistory();
    // A brush stroke under way ends as one step.
    void finishStroke();

private:
    // The store is empty: no picture, and the next frame starts the animation.
    void showNoFrame();
    void record(const QString& name, DocumentState before);
    // importPicture's work on a picture already read.
    void importLoaded(QImage picture, Placement placement);
    // Rebuilds the store as `plan` made from the frames' delays says, as
    // the step `name`.
    void applyPlan(const QString& name, const std::function<frameops::Plan(const std::vector<int>&)>& make);
    // Every selected frame through `edit` as the step `name`; the frames
    // are made aside first, so a failure changes none.
    void editSelection(const QString& name, const std::function<QImage(const QImage&)>& edit);

    DocumentPrompts& prompts_;
    ClipboardPort& clipboard_;
    std::function<Colour()> drawingColour_;
    QImage picture_;
    QImage white_;  // the blank frame whitePicture shares
    QSize pictureArea_ = kInitialPictureArea;
    QString statusText_;
    QPoint penPos_;
    History history_;
    bool recording_ = false;
    // The document when the brush went down, until it comes up.
    std::optional<DocumentState> strokeStart_;
    std::vector<int> selection_;
};

} // namespace orugif
