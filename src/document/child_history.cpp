// The document's history of changes: every operation that changes the
// document runs through `recorded`, which keeps the state before and after
// it; "&Annuler" and "&Rétablir" put one of them back.
#include "document/child.h"

namespace orugif {

DocumentState TChild::captureState() const
{
    DocumentState s;
    s.store = ImageList1;
    s.picture = picture_;
    s.pictureArea = pictureArea_;
    s.currentIndex = CurrentIndex;
    s.frameChanged = FrameChanged;
    s.newFrame = NewFrame;
    DocumentFields& f = s.fields;
    f.fileName = FileName;
    f.videoSource = VideoSource;
    f.repeatCount = RepeatCount;
    f.frameDelay = FrameDelay;
    f.transparentBackground = TransparentBackground;
    f.removeLocalPalettes = RemoveLocalPalettes;
    f.mergeDuplicatePixels = MergeDuplicatePixels;
    f.removeUselessFrames = RemoveUselessFrames;
    f.fromVideo = FromVideo;
    f.colorReduction = ColorReduction;
    f.reductionBits = ReductionBits;
    f.ditherMode = DitherMode;
    f.lossyTolerance = LossyTolerance;
    f.gifVersion = GifVersion;
    f.loopExtension = loopExtension;
    f.transparentColour = transparentColour;
    f.keptBlocks = keptBlocks;
    return s;
}

void TChild::restoreState(const DocumentState& s)
{
    ImageList1 = s.store;
    picture_ = s.picture;
    CurrentIndex = s.currentIndex;
    FrameChanged = s.frameChanged;
    NewFrame = s.newFrame;
    const DocumentFields& f = s.fields;
    const bool renamed = FileName != f.fileName;
    FileName = f.fileName;
    VideoSource = f.videoSource;
    RepeatCount = f.repeatCount;
    FrameDelay = f.frameDelay;
    TransparentBackground = f.transparentBackground;
    RemoveLocalPalettes = f.removeLocalPalettes;
    MergeDuplicatePixels = f.mergeDuplicatePixels;
    RemoveUselessFrames = f.removeUselessFrames;
    FromVideo = f.fromVideo;
    ColorReduction = f.colorReduction;
    ReductionBits = f.reductionBits;
    DitherMode = f.ditherMode;
    LossyTolerance = f.lossyTolerance;
    GifVersion = f.gifVersion;
    loopExtension = f.loopExtension;
    transparentColour = f.transparentColour;
    keptBlocks = f.keptBlocks;
    if (pictureArea_ != s.pictureArea) {
        pictureArea_ = s.pictureArea;
        emit pictureAreaChanged(pictureArea_);
    }
    if (renamed)
        emit captionChanged(caption());
    emit pictureChanged();
    // The selection keeps only frames that are still there.
    setSelectedFrames(selection_);
    AffBarre();
}

void TChild::record(const QString& name, DocumentState before)
{
    try {
        DocumentState after = captureState();
        if (sameDocument(before, after))
            return;
        history_.record(name, std::move(before), std::move(after));
    } catch (const std::bad_alloc&) {
        // The change stands; only its step is lost.
        history_.clear();
    }
    emit historyChanged();
}

void TChild::recorded(const QString& name, const std::function<void()>& change)
{
    // Inside another change, or with no room for steps (the command line):
    // nothing to keep.
    if (recording_ || history_.limit() <= 0) {
        change();
        return;
    }
    finishStroke();
    struct Recording {
        bool& flag;
        explicit Recording(bool& f) : flag(f) { flag = true; }
        ~Recording() { flag = false; }
    } recording{recording_};
    DocumentState before = captureState();
    try {
        change();
    } catch (...) {
        // What was done before the failure stays done, and can be undone.
        record(name, std::move(before));
        throw;
    }
    record(name, std::move(before));
}

void TChild::finishStroke()
{
    if (!strokeStart_)
        return;
    Drawing = false;
    DocumentState before = std::move(*strokeStart_);
    strokeStart_.reset();
    record(QStringLiteral("Pinceau"), std::move(before));
}

void TChild::resetHistory()
{
    strokeStart_.reset();
    history_.clear();
    emit historyChanged();
}

void TChild::Annule()
{
    finishStroke();
    if (!history_.canUndo())
        return;
    restoreState(history_.undo());
    Modified = !history_.atSaved();
    emit historyChanged();
}

void TChild::Retablit()
{
    finishStroke();
    if (!history_.canRedo())
        return;
    restoreState(history_.redo());
    Modified = !history_.atSaved();
    emit historyChanged();
}

} // namespace orugif
