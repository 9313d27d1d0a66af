// Thumbnails of the frames, made on a thread of their own so the strip
// never waits for them: a frame not made yet is asked for and shows as soon
// as it is ready. The most recently asked come first, so what is in view is
// made before what was scrolled past.
#pragma once
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace orugif {

class ThumbnailMaker : public QObject {
    Q_OBJECT
public:
    // At most `budgetBytes` of thumbnails are kept; the oldest go first.
    explicit ThumbnailMaker(QObject* parent = nullptr, qint64 budgetBytes = 96LL << 20);
    ~ThumbnailMaker() override;

    // The size thumbnails are made to fit (keeping the frame's aspect).
    void setBox(QSize box);
    QSize box() const { return box_; }

    // The thumbnail of `frame`: the one made to the box when there is one;
    // otherwise it is asked for and an older one (of another box) or a null
    // image is given meanwhile.
    QImage thumbnail(const QImage& frame);
    // Thumbnails asked for and not made yet.
    int waiting() const;

    // `frame` fitted into `box`, averaged (what the thread does).
    static QImage make(const QImage& frame, QSize box);

signals:
    // A thumbnail is ready: the strip repaints.
    void ready();

private:
    struct Request {
        qint64 key;
        QImage frame;
        QSize box;
    };
    void run();
    void store(qint64 key, const QImage& thumbnail);

    QSize box_{64, 48};
    qint64 budget_;
    qint64 bytes_ = 0;
    QHash<qint64, QImage> made_;
    std::deque<qint64> age_;  // keys in the order they were made

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> requests_;       // newest at the back
    std::unordered_set<qint64> asked_;   // keys in requests_ or being made
    bool stop_ = false;
    std::thread thread_;
};

} // namespace orugif
