// The document's undo history: a list of steps, each the document's state
// before and after one change. States share their frames with the document
// through QImage's implicit sharing, so a step costs only the frames it
// changed; the history's memory is bounded and the oldest steps go first.
#pragma once
#include "common/colour.h"
#include "document/framestore.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace orugif {

// The document's settings a change may touch besides its frames: what the
// properties, the optimisation and the opening of a file set.
struct DocumentFields {
    QString fileName;
    QString videoSource;
    int repeatCount = 0;
    int frameDelay = 30;
    bool transparentBackground = false;
    bool removeLocalPalettes = false;
    bool mergeDuplicatePixels = false;
    bool removeUselessFrames = false;
    bool fromVideo = false;
    int colorReduction = 10;
    int reductionBits = 8;
    int ditherMode = 0;
    int lossyTolerance = 0;
    unsigned char gifVersion = 0;
    bool loopExtension = true;
    std::optional<Colour> transparentColour;
    std::vector<QByteArray> keptBlocks;

    bool operator==(const DocumentFields&) const = default;
};

// Everything undo gives back: the frame store, the working picture with its
// pending edits, the current frame and the settings.
struct DocumentState {
    FrameStore store;
    QImage picture;
    QSize pictureArea;
    int currentIndex = 0;
    bool frameChanged = false;
    bool newFrame = true;
    DocumentFields fields;
};

// Whether `a` and `b` show the same document: the same frames as saving
// would write them (a pending edit counts as written back), delays, frame
// size, working picture, current frame and settings. A write-back alone is
// no change.
bool sameDocument(const DocumentState& a, const DocumentState& b);

class History {
public:
    // At most `limitBytes` of memory beyond the document's own frames.
    explicit History(std::int64_t limitBytes = defaultLimit());
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // A quarter of the physical memory (1 GiB when it is unknown).
    static std::int64_t defaultLimit();
    std::int64_t limit() const { return limit_; }
    // A new limit; steps beyond it go at the next record.
    void setLimit(std::int64_t bytes) { limit_ = bytes; }

    // Forgets every step; the document as it is counts as saved.
    void clear();
    // Records the change `name` from `before` to `after` (the document as it
    // now is). The steps that were undone are dropped, then the oldest steps
    // while the history needs more than its limit.
    void record(const QString& name, DocumentState before, DocumentState after);

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < int(steps_.size()); }
    // The name of the step undo (or redo) would take back; empty when none.
    QString undoName() const;
    QString redoName() const;
    // Steps back (forward) and gives the state the document takes; only
    // when canUndo (canRedo).
    const DocumentState& undo();
    const DocumentState& redo();

    int count() const { return int(steps_.size()); }
    int position() const { return position_; }

    // The document was saved as it is at this point of the history.
    void markSaved() { savedPosition_ = position_; }
    // Whether the history stands where the document was last saved.
    bool atSaved() const { return savedPosition_ == position_; }

    // The memory the steps hold: every distinct picture once, and the
    // states themselves.
    std::int64_t bytes() const { return bytes_; }
    // What the steps hold beyond the pictures of `document`, which it keeps
    // in any case (a frame its pending edit replaces is not kept).
    std::int64_t bytesBeyond(const DocumentState& document) const;

private:
    using StatePtr = std::shared_ptr<const DocumentState>;
    struct Step {
        QString name;
        StatePtr before;
        StatePtr after;
    };
    struct Buffer {
        std::int64_t bytes = 0;
        int uses = 0;
    };

    void hold(const StatePtr& state);
    void release(const StatePtr& state);
    void dropOldest();

    std::vector<Step> steps_;
    int position_ = 0;       // steps before it are done, from it on undone
    int savedPosition_ = 0;  // -1 when no step reaches the saved document
    std::int64_t limit_;
    std::int64_t bytes_ = 0;
    std::unordered_map<const DocumentState*, int> stateUses_;
    std::unordered_map<qint64, Buffer> buffers_;
};

// "&Annuler Miroir horizontal", or "&Annuler" when there is nothing to undo.
QString undoCaption(const History& history);
// "&Rétablir Miroir horizontal", or "&Rétablir" when there is nothing to redo.
QString redoCaption(const History& history);

} // namespace orugif
