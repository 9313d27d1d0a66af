// The document's prompt port: every question and modal dialog the document
// needs goes through it. The application passes an implementation that shows
// real message boxes and dialogs; tests pass a scripted one.
#pragma once
#include <QString>

namespace orugif {

enum class Answer { Ok, Yes, No, Cancel };

enum class Choices {
    OkNo,         // a confirmation box with the buttons OK and No
    YesNo,
    YesNoCancel,
};

class DocumentPrompts {
public:
    virtual ~DocumentPrompts() = default;

    // Asks `question` with the given buttons; closing the box counts as the
    // last button (No, or Cancel where there is one).
    virtual Answer ask(const QString& question, Choices choices) = 0;
};

} // namespace orugif
