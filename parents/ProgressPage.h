#pragma once

#include "parents/ProgressLog.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace lettora {

// Stacked bars of the right, wrong and timed-out answers of each day, with a legend.
class ProgressChart : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *NothingYet = "No words played in these days yet.";
    static inline const QColor RightColour{0x3c, 0xa5, 0x4a};
    static inline const QColor WrongColour{0xf0, 0x8c, 0x1e};
    static inline const QColor TimeoutColour{0xa8, 0xa8, 0xa8};

    explicit ProgressChart(QWidget *parent = nullptr);
    void setDays(std::vector<DayCount> days);
    const std::vector<DayCount> &days() const { return m_days; }

    // The chart in `area` (the page, and the benchmark, paint it).
    static void paint(QPainter &painter, const QRect &area, const std::vector<DayCount> &days);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<DayCount> m_days;
};

// The parents' corner's "Progress" page: the answers of each day as a chart, the words the
// child finds hardest, and the history's export and clearing. Read anew each time it is shown.
class ProgressPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *Title = "Progress";
    static constexpr const char *ClearQuestion = "Clear the whole history of answers? This cannot be undone.";
    static constexpr const char *NotExported = "The history could not be exported: %1";
    static constexpr const char *NotCleared = "The history could not be cleared: %1";
    static constexpr const char *Exported = "The history was saved to %1.";
    // The words' table shows at most MaxRows words, those tried most often, and says so.
    static constexpr int MaxRows = 500;
    static constexpr const char *MostTried = "The %1 words tried most often are shown, of %2.";
    static constexpr const char *MostTriedOfMore = "The %1 words tried most often are shown, of more than %2.";

    explicit ProgressPage(QWidget *parent = nullptr);

    // Reads the file and shows it.
    void reload();
    // What the buttons do once the grown-up has chosen: tests call these directly.
    bool exportTo(const QString &file);
    bool clearHistory();

    // Where "Export..." asks for the file and "Clear history" asks first (tests give their own).
    std::function<QString(QWidget *)> chooseExportFile;
    std::function<bool(QWidget *)> confirmClear;

    ProgressChart *chart = nullptr;
    QTableWidget *words = nullptr;
    QLabel *wordsNote = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *clearButton = nullptr;
    QLabel *note = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showNote(const QString &text);
};

} // namespace lettora
