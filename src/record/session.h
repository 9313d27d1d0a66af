// One recording from the user's side: a countdown, then the recorder, with
// pause, resume and stop from the control window or the global keys, and a
// line of text saying how it goes. Widget-free; the control window shows it.
#pragma once
#include "record/recorder.h"

#include <QObject>
#include <QTimer>
#include <memory>

namespace orugif::record {

// Keys taken from the whole screen while recording, so they reach the
// recording and not the program being recorded.
class GlobalKeys {
public:
    enum Key { None, PauseKey, StopKey };
    virtual ~GlobalKeys() = default;
    // The next global key pressed since the last call, or None.
    virtual Key poll() = 0;
};

// Ctrl+Alt+P pauses or resumes, Ctrl+Alt+S stops; null without an X server.
std::unique_ptr<GlobalKeys> grabGlobalKeys();

class RecordSession : public QObject {
    Q_OBJECT
public:
    enum class State { Countdown, Recording, Paused, Done };

    RecordSession(ScreenSource& source, RecordOptions options, int countdownSeconds = 3,
                  std::unique_ptr<GlobalKeys> keys = nullptr, QObject* parent = nullptr);
    ~RecordSession() override;

    void begin();
    // "Pause" / "Reprendre".
    void togglePause();
    // "Arrêter": ends the countdown or the recording.
    void stop();

    State state() const { return state_; }
    int countdownLeft() const { return countdown_; }
    QString statusText() const;
    // Once done: the recorder, with its frames (null when stopped during
    // the countdown).
    const Recorder* recorder() const { return recorder_.get(); }
    // Whether Ctrl+Alt+P and Ctrl+Alt+S reach this recording.
    bool hasGlobalKeys() const { return keys_ != nullptr; }

signals:
    void changed();
    void finished();

private:
    void tick();
    void finish();

    ScreenSource& source_;
    RecordOptions options_;
    int countdown_;
    std::unique_ptr<GlobalKeys> keys_;
    std::unique_ptr<Recorder> recorder_;
    State state_ = State::Countdown;
    QTimer timer_;
    int ticks_ = 0;
};

// "1:05" from microseconds.
QString clockText(std::int64_t microseconds);

} // namespace orugif::record
