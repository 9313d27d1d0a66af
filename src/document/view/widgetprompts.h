// The document's questions as real message boxes, in French.
#pragma once
#include "document/prompts.h"

class QWidget;

namespace orugif {

class WidgetPrompts : public DocumentPrompts {
public:
    explicit WidgetPrompts(QWidget* parent) : parent_(parent) {}
    Answer ask(const QString& question, Choices choices) override;
    void inform(const QString& message) override;
    int runRotation() override;
    QPoint runMove(int width, int height) override;
    QSize runResize(int width, int height) override;
    QImage runEffects(const QImage& picture) override;
    TransitionChoice runTransition(bool after, const QImage& picture) override;
    QString runText(int& angle, editing::TextFont& font) override;

private:
    QWidget* parent_;
};

} // namespace orugif
