// TCalendrier ("Calendrier"): a month grid from Sunday with French names,
// the month and year over it, "Mois" back and forward, Page Up/Page Down.
#pragma once
#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QLabel;

namespace orugif {

class TCalendrier : public QDialog {
    Q_OBJECT
public:
    explicit TCalendrier(QDate today = QDate::currentDate(), QWidget* parent = nullptr);
    QDate date() const;
    void moveMonths(int months);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCaption();

    QCalendarWidget* calendar_;
    QLabel* caption_;
};

} // namespace orugif
