#include "editing/dialogs/effectsdialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace orugif {

namespace {

// Image1: the work picture, scaled into the control's box when it is larger.
class Preview : public QWidget {
public:
    explicit Preview(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Image1"));
        setFixedSize(209, 233);
    }
    void setPicture(const QImage& picture)
    {
        picture_ = picture;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        if (picture_.isNull())
            return;
        const QRect box = editing::EffectSession::previewRect(picture_.size());
        if (box.size() == picture_.size())
            painter.drawImage(QPoint(0, 0), picture_);
        else
            painter.drawImage(box, picture_);
    }

private:
    QImage picture_;
};

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

TEffets::TEffets(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Effets"));
    setWindowTitle(QString::fromUtf8("Effets spéciaux"));
    preview_ = new Preview(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListBox1"));
    list_->addItems(editing::effectNames());
    list_->setCurrentRow(-1);

    QPushButton* apply = button(QString::fromUtf8("Aperçu"), "Button1", this);
    QPushButton* restore = button(QString::fromUtf8("Rétablir"), "Button2", this);
    QPushButton* cancel = button(QStringLiteral("Annuler"), "Button3", this);
    QPushButton* ok = button(QStringLiteral("OK"), "Button4", this);
    connect(apply, &QPushButton::clicked, this, [this] {
        session_.preview(list_->currentItem() && list_->currentItem()->isSelected() ? list_->currentRow() : -1);
        showWork();
    });
    connect(list_, &QListWidget::itemDoubleClicked, apply, &QPushButton::click);
    connect(restore, &QPushButton::clicked, this, [this] {
        session_.restore();
        showWork();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        session_.confirmed = false;
        reject();
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        session_.confirmed = true;
        accept();
    });

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {apply, restore, cancel, ok})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(preview_, 0, Qt::AlignTop);
    layout->addWidget(list_);
    layout->addLayout(buttons);
}

void TEffets::Init(const QImage& picture)
{
    session_.Init(picture);
    showWork();
}

void TEffets::showWork() { static_cast<Preview*>(preview_)->setPicture(session_.work()); }

} // namespace orugif
