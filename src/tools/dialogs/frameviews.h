// TListe ("Liste des cadres") reorders and deletes frame entries;
// TVignettes ("Parcourir") shows the frames twelve at a time.
#pragma once
#include "tools/framelist.h"
#include "tools/thumbnails.h"

#include <QDialog>
#include <QImage>
#include <vector>

class QLabel;
class QListWidget;

namespace orugif {

class TListe : public QDialog {
    Q_OBJECT
public:
    explicit TListe(int frameCount, QWidget* parent = nullptr);
    // The frame order when confirmed with "OK", else nothing.
    std::vector<int> Result() const;
    int exec() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(int selected);
    void SpeedButton3Click();  // "Monter"
    void SpeedButton1Click();  // "Descendre"
    void SpeedButton2Click();  // "Supprimer cadre"

    tools::FrameList list_;
    QListWidget* box_;
    bool accepted_ = false;
};

class TVignettes : public QDialog {
    Q_OBJECT
public:
    explicit TVignettes(const std::vector<QImage>& frames, QWidget* parent = nullptr);
    int Result() const { return pages_.selected(); }
    const tools::ThumbnailPages& pages() const { return pages_; }
    // Shows the page that starts at pages().first().
    void Affiche();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void move(void (tools::ThumbnailPages::*step)());

    std::vector<QImage> frames_;  // shares the document's pixels
    tools::ThumbnailPages pages_;
    QLabel* images_[tools::ThumbnailPages::kSlots] = {};
    QLabel* labels_[tools::ThumbnailPages::kSlots] = {};
};

} // namespace orugif
