// The undo history's steps and their memory: pictures are counted by their
// pixel buffers (QImage::cacheKey), so a frame shared by many states counts
// once.
#include "document/history.h"

#include "common/limits.h"

#include <algorithm>
#include <new>
#include <unordered_set>

namespace orugif {

namespace {

qint64 keyOf(const QImage& image) { return image.cacheKey(); }

// The frames and delays as saving would write them: the working picture's
// pending edit in place of its frame, or after the last for a new frame.
struct SavedView {
    std::vector<qint64> frames;
    std::vector<int> delays;
};

SavedView savedView(const DocumentState& s)
{
    SavedView view;
    for (const QImage& frame : s.store.frames())
        view.frames.push_back(keyOf(frame));
    view.delays = s.store.delays();
    if (s.frameChanged && !s.picture.isNull()) {
        if (!s.newFrame && s.store.contains(s.currentIndex)) {
            view.frames[std::size_t(s.currentIndex)] = keyOf(s.picture);
        } else {
            view.frames.push_back(keyOf(s.picture));
            view.delays.push_back(FrameStore::kAnimationDelay);
        }
    }
    return view;
}

// The memory a state needs besides its pictures.
std::int64_t stateBytes(const DocumentState& s)
{
    std::int64_t bytes = sizeof(DocumentState);
    bytes += std::int64_t(s.store.count()) * std::int64_t(sizeof(QImage) + sizeof(int));
    for (const QByteArray& block : s.fields.keptBlocks)
        bytes += block.size();
    return bytes;
}

// Calls `use` once for each distinct picture of `s`. With `keptOnly`, not
// for the frame a pending edit of the working picture replaces at the next
// write-back: the document will not keep it.
template <typename Use>
void forEachPicture(const DocumentState& s, Use&& use, bool keptOnly = false)
{
    std::unordered_set<qint64> seen;
    const auto visit = [&](const QImage& image) {
        if (!image.isNull() && seen.insert(keyOf(image)).second)
            use(image);
    };
    const int replaced = keptOnly && s.frameChanged && !s.newFrame && !s.picture.isNull() ? s.currentIndex : -1;
    for (int i = 0; i < s.store.count(); ++i)
        if (i != replaced)
            visit(s.store.frames()[std::size_t(i)]);
    visit(s.picture);
}

} // namespace

bool sameDocument(const DocumentState& a, const DocumentState& b)
{
    if (a.store.frameSize() != b.store.frameSize() || a.currentIndex != b.currentIndex
        || a.newFrame != b.newFrame || keyOf(a.picture) != keyOf(b.picture) || !(a.fields == b.fields))
        return false;
    const SavedView va = savedView(a), vb = savedView(b);
    return va.frames == vb.frames && va.delays == vb.delays;
}

namespace {

// The very same state: also the store as it is, before any write-back.
bool identical(const DocumentState& a, const DocumentState& b)
{
    const std::vector<QImage>& fa = a.store.frames();
    const std::vector<QImage>& fb = b.store.frames();
    return sameDocument(a, b) && a.frameChanged == b.frameChanged && a.pictureArea == b.pictureArea
        && a.store.frameSizeSet() == b.store.frameSizeSet() && a.store.delays() == b.store.delays()
        && std::equal(fa.begin(), fa.end(), fb.begin(), fb.end(),
                      [](const QImage& x, const QImage& y) { return keyOf(x) == keyOf(y); });
}

} // namespace

History::History(std::int64_t limitBytes) : limit_(limitBytes) {}

History::~History() = default;

std::int64_t History::defaultLimit()
{
    const std::int64_t memory = physicalMemoryBytes();
    return memory > 0 ? memory / 4 : std::int64_t(1) << 30;
}

void History::clear()
{
    steps_.clear();
    stateUses_.clear();
    buffers_.clear();
    bytes_ = 0;
    position_ = 0;
    savedPosition_ = 0;
}

void History::hold(const StatePtr& state)
{
    if (++stateUses_[state.get()] > 1)
        return;
    bytes_ += stateBytes(*state);
    forEachPicture(*state, [this](const QImage& image) {
        Buffer& buffer = buffers_[keyOf(image)];
        if (buffer.uses++ == 0) {
            buffer.bytes = image.sizeInBytes();
            bytes_ += buffer.bytes;
        }
    });
}

void History::release(const StatePtr& state)
{
    const auto uses = stateUses_.find(state.get());
    if (uses == stateUses_.end() || --uses->second > 0)
        return;
    stateUses_.erase(uses);
    bytes_ -= stateBytes(*state);
    forEachPicture(*state, [this](const QImage& image) {
        const auto buffer = buffers_.find(keyOf(image));
        if (buffer != buffers_.end() && --buffer->second.uses == 0) {
            bytes_ -= buffer->second.bytes;
            buffers_.erase(buffer);
        }
    });
}

std::int64_t History::bytesBeyond(const DocumentState& document) const
{
    std::int64_t kept = 0;
    forEachPicture(document, [&](const QImage& image) {
        const auto buffer = buffers_.find(keyOf(image));
        if (buffer != buffers_.end())
            kept += buffer->second.bytes;
    }, true);
    return bytes_ - kept;
}

void History::dropOldest()
{
    release(steps_.front().before);
    release(steps_.front().after);
    steps_.erase(steps_.begin());
    --position_;
    // The saved document was the state before the dropped step: no step
    // leads back to it any more.
    savedPosition_ = savedPosition_ > 0 ? savedPosition_ - 1 : -1;
}

void History::record(const QString& name, DocumentState before, DocumentState after)
{
    try {
        // The undone steps can no longer be redone.
        while (int(steps_.size()) > position_) {
            release(steps_.back().before);
            release(steps_.back().after);
            steps_.pop_back();
        }
        if (savedPosition_ > position_)
            savedPosition_ = -1;
        // A change that starts where the previous one ended shares its state.
        StatePtr first;
        if (!steps_.empty() && identical(*steps_.back().after, before))
            first = steps_.back().after;
        if (!first)
            first = std::make_shared<const DocumentState>(std::move(before));
        auto second = std::make_shared<const DocumentState>(std::move(after));
        hold(first);
        hold(second);
        steps_.push_back({name, first, second});
        ++position_;
        while (!steps_.empty() && bytesBeyond(*second) > limit_)
            dropOldest();
    } catch (const std::bad_alloc&) {
        // No memory to keep the step: the history starts again from here.
        clear();
        savedPosition_ = -1;
    }
}

QString History::undoName() const { return canUndo() ? steps_[std::size_t(position_ - 1)].name : QString(); }

QString History::redoName() const { return canRedo() ? steps_[std::size_t(position_)].name : QString(); }

const DocumentState& History::undo()
{
    --position_;
    return *steps_[std::size_t(position_)].before;
}

const DocumentState& History::redo()
{
    ++position_;
    return *steps_[std::size_t(position_ - 1)].after;
}

QString undoCaption(const History& history)
{
    const QString name = history.undoName();
    return name.isEmpty() ? QStringLiteral("&Annuler") : QStringLiteral("&Annuler %1").arg(name);
}

QString redoCaption(const History& history)
{
    const QString name = history.redoName();
    return name.isEmpty() ? QStringLiteral("&Rétablir") : QStringLiteral("&Rétablir %1").arg(name);
}

} // namespace orugif
