#include "tools/dialogs/htmldialog.h"

#include "document/clipboard.h"
#include "tools/htmltag.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orugif {

THtml::THtml(ClipboardPort& clipboard, QWidget* parent) : QDialog(parent), clipboard_(clipboard)
{
    setObjectName(QStringLiteral("Html"));
    setWindowTitle(QStringLiteral("Code HTML"));

    auto* group = new QGroupBox(QString::fromUtf8("Attributs de l'image"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    const auto field = [group](const char* name) {
        auto* edit = new QLineEdit(group);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    name_ = field("Edit1");
    name_->setEnabled(false);
    link_ = field("Edit2");
    alt_ = field("Edit3");
    border_ = field("SpinEdit1");
    border_->setValidator(new QIntValidator(border_));
    border_->setText(QStringLiteral("0"));
    auto* form = new QFormLayout(group);
    const char* captions[] = {"Nom", "Lien", "Texte (Alt)", "Bordure"};
    QLineEdit* edits[] = {name_, link_, alt_, border_};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(captions[i]), group);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        form->addRow(label, edits[i]);
    }
    for (QLineEdit* edit : {link_, alt_, border_})
        connect(edit, &QLineEdit::textChanged, this, &THtml::Code);

    auto* caption = new QLabel(QString::fromUtf8("Code HTML à reporter dans votre éditeur"), this);
    caption->setObjectName(QStringLiteral("Label5"));
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setMinimumSize(380, 80);

    auto* copy = new QPushButton(QStringLiteral("Copier"), this);
    copy->setObjectName(QStringLiteral("Button1"));
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    close->setObjectName(QStringLiteral("Button2"));
    for (QPushButton* b : {copy, close})
        b->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, &THtml::Button1Click);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(caption);
    layout->addWidget(memo_);
    layout->addLayout(buttons);
}

void THtml::Init(const QString& name, const QString& size)
{
    name_->setText(name);
    size_ = size;
    Code();
}

void THtml::Code()
{
    memo_->setPlainText(tools::htmlTag(name_->text(), size_, link_->text(), alt_->text(), border_->text()));
}

void THtml::Button1Click()
{
    memo_->selectAll();
    clipboard_.setText(memo_->toPlainText());
}

void THtml::keyPressEvent(QKeyEvent* event)
{
    // Escape copies the tag; only "Fermer" and the close box close.
    if (event->key() == Qt::Key_Escape) {
        Button1Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace orugif
