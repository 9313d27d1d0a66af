// THtml ("Code HTML"): the image tag for the animation, following every
// keystroke in "Lien", "Texte (Alt)" and "Bordure"; "Copier" (and Escape)
// puts it on the clipboard.
#pragma once
#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

namespace orugif {

class ClipboardPort;

class THtml : public QDialog {
    Q_OBJECT
public:
    explicit THtml(ClipboardPort& clipboard, QWidget* parent = nullptr);
    void Init(const QString& name, const QString& size);
    void Code();
    void Button1Click();  // "Copier"

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ClipboardPort& clipboard_;
    QString size_;
    QLineEdit* name_;
    QLineEdit* link_;
    QLineEdit* alt_;
    QLineEdit* border_;
    QPlainTextEdit* memo_;
};

} // namespace orugif
