#include "app/aboutbox.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace orugif {

namespace {

QLabel* picture(const QString& resource, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(QIcon(resource).pixmap(side, side));
    return label;
}

QLabel* title(QWidget* parent, int points)
{
    auto* label = new QLabel(QStringLiteral("Oru Gif"), parent);
    label->setObjectName(QStringLiteral("ProductName"));
    QFont font(QStringLiteral("Arial"), points, QFont::Bold);
    label->setFont(font);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos"));

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* text = new QVBoxLayout;
    text->addWidget(title(panel, 14));
    auto* version = new QLabel(QStringLiteral("Version 3.0"), panel);
    version->setObjectName(QStringLiteral("Version"));
    text->addWidget(version);
    auto* comments = new QLabel(
        QStringLiteral("Éditeur d'images GIF animées : composez vos animations cadre par cadre, "
                       "dessinez, transformez, ajoutez effets et transitions, puis enregistrez-les."),
        panel);
    comments->setObjectName(QStringLiteral("Comments"));
    comments->setWordWrap(true);
    text->addWidget(comments);
    auto* row = new QHBoxLayout(panel);
    row->addWidget(picture(QStringLiteral(":/icons/orugif.svg"), 48, panel), 0, Qt::AlignTop);
    row->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(buttons);
    setFixedWidth(340);
}

TSplash::TSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Splash"));
    setAutoFillBackground(true);
    QPalette yellow = palette();
    yellow.setColor(QPalette::Window, Qt::yellow);
    setPalette(yellow);

    // A raised panel in the colour 0x004370B0 (red 0xB0, green 0x70, blue 0x43).
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAutoFillBackground(true);
    QPalette brown = panel->palette();
    brown.setColor(QPalette::Window, QColor(0xB0, 0x70, 0x43));
    brown.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(brown);

    auto* inner = new QVBoxLayout(panel);
    inner->addWidget(picture(QStringLiteral(":/icons/orugif.svg"), 96, panel), 0, Qt::AlignHCenter);
    inner->addWidget(title(panel, 24), 0, Qt::AlignHCenter);
    auto* version = new QLabel(QStringLiteral("Version 3.0"), panel);
    inner->addWidget(version, 0, Qt::AlignHCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(panel);
    resize(320, 240);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace orugif
