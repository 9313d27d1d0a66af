#include "record/session.h"

namespace orugif::record {

namespace {
constexpr int kTickMs = 100;
}

QString clockText(std::int64_t microseconds)
{
    const std::int64_t s = microseconds / 1000000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

RecordSession::RecordSession(ScreenSource& source, RecordOptions options, int countdownSeconds,
                             std::unique_ptr<GlobalKeys> keys, QObject* parent)
    : QObject(parent), source_(source), options_(options), countdown_(std::max(0, countdownSeconds)),
      keys_(std::move(keys))
{
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &RecordSession::tick);
}

RecordSession::~RecordSession()
{
    if (recorder_)
        recorder_->stop();
}

void RecordSession::begin()
{
    state_ = State::Countdown;
    ticks_ = 0;
    if (countdown_ == 0) {
        state_ = State::Recording;
        recorder_ = std::make_unique<Recorder>(source_, options_);
        recorder_->start();
    }
    timer_.start();
    emit changed();
}

void RecordSession::togglePause()
{
    if (!recorder_ || state_ == State::Done)
        return;
    if (state_ == State::Paused) {
        recorder_->resume();
        state_ = State::Recording;
    } else {
        recorder_->pause();
        state_ = State::Paused;
    }
    emit changed();
}

void RecordSession::stop()
{
    if (state_ != State::Done)
        finish();
}

void RecordSession::finish()
{
    timer_.stop();
    if (recorder_)
        recorder_->stop();
    state_ = State::Done;
    emit changed();
    emit finished();
}

void RecordSession::tick()
{
    if (keys_) {
        for (GlobalKeys::Key k = keys_->poll(); k != GlobalKeys::None; k = keys_->poll()) {
            if (k == GlobalKeys::StopKey) {
                finish();
                return;
            }
            togglePause();
        }
    }
    if (state_ == State::Countdown) {
        if (++ticks_ * kTickMs >= 1000) {
            ticks_ = 0;
            if (--countdown_ <= 0) {
                state_ = State::Recording;
                recorder_ = std::make_unique<Recorder>(source_, options_);
                recorder_->start();
            }
        }
        emit changed();
        return;
    }
    if (recorder_ && recorder_->done()) {
        finish();
        return;
    }
    emit changed();
}

QString RecordSession::statusText() const
{
    if (state_ == State::Countdown)
        return QStringLiteral("Début dans %1 s").arg(countdown_);
    if (!recorder_)
        return QStringLiteral("Arrêté");
    const QString line = QStringLiteral("%1 · %2 Mo · %3 images")
                             .arg(clockText(recorder_->elapsedMicroseconds()))
                             .arg(QString::number(double(recorder_->memoryBytes()) / 1e6, 'f', 1).replace('.', ','))
                             .arg(recorder_->framesTaken());
    switch (state_) {
    case State::Paused:
        return QStringLiteral("En pause · ") + line;
    case State::Done:
        return QStringLiteral("Arrêté · ") + line;
    default:
        return QStringLiteral("Enregistrement · ") + line;
    }
}

} // namespace orugif::record
