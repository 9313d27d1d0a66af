// The About box and the splash window shown while the editor starts.
#pragma once
#include <QDialog>
#include <QWidget>

namespace orugif {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

class TSplash : public QWidget {
    Q_OBJECT
public:
    TSplash();
};

} // namespace orugif
