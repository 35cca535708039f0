#include "parents/ProgressPage.h"

#include "parents/PageLook.h"
#include "parents/ProgressRecorder.h"
#include "shell/core/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace lettora {

namespace {
constexpr int ChartHeight = 190;
constexpr int MaxTicks = 4;

// The axis' top: 1, 2 or 5 times a power of ten per step, at most MaxTicks steps.
int axisStep(int highest)
{
    for (int power = 1;; power *= 10) {
        for (int m : {1, 2, 5}) {
            if (m * power * MaxTicks >= highest)
                return m * power;
        }
    }
}

QString lastSeenText(const WordStats &w)
{
    return w.lastDate.toString(Qt::ISODate) + QLatin1Char(' ') + w.lastTime.toString(QStringLiteral("HH:mm"));
}

QTableWidgetItem *numberItem(int value)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}
} // namespace

ProgressChart::ProgressChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProgressChart"));
    setMinimumHeight(ChartHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ProgressChart::setDays(std::vector<DayCount> days)
{
    m_days = std::move(days);
    update();
}

void ProgressChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, rect(), m_days);
}

void ProgressChart::paint(QPainter &painter, const QRect &area, const std::vector<DayCount> &days)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics fm = painter.fontMetrics();
    const int line = fm.height();

    // The legend, along the top.
    int x = area.left() + 4;
    const int legendTop = area.top() + 2;
    const std::pair<QColor, const char *> legend[] = {
        {RightColour, "Right"}, {WrongColour, "Wrong"}, {TimeoutColour, "Time ran out"}};
    for (const auto &[colour, text] : legend) {
        painter.fillRect(QRect(x, legendTop + (line - 12) / 2, 12, 12), colour);
        x += 16;
        const QString caption = QLatin1String(text);
        painter.setPen(Qt::black);
        painter.drawText(QRect(x, legendTop, fm.horizontalAdvance(caption) + 2, line), Qt::AlignVCenter, caption);
        x += fm.horizontalAdvance(caption) + 18;
    }

    int highest = 0;
    for (const DayCount &d : days)
        highest = std::max(highest, d.total());
    const int step = axisStep(std::max(highest, 1));
    const int ticks = std::max(1, (highest + step - 1) / step);
    const int top = step * ticks;

    const int axisWidth = fm.horizontalAdvance(QString::number(top)) + 8;
    const QRect plot(area.left() + axisWidth, legendTop + line + 8, area.width() - axisWidth - 6,
                     area.height() - (line + 8) - 2 * line - 8);
    if (plot.width() <= 0 || plot.height() <= 0 || days.empty()) {
        painter.restore();
        return;
    }

    // The scale: a light line and the number at each step.
    for (int t = 0; t <= ticks; ++t) {
        const int y = plot.bottom() - plot.height() * t / ticks;
        painter.setPen(t == 0 ? QColor(0x60, 0x60, 0x60) : QColor(0xe0, 0xe0, 0xe0));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(QColor(0x50, 0x50, 0x50));
        painter.drawText(QRect(area.left(), y - line / 2, axisWidth - 4, line), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(step * t));
    }

    // The bars, stacked from the bottom: right, wrong, time ran out.
    const double slot = double(plot.width()) / double(days.size());
    const int barWidth = std::max(1, int(slot * 0.7));
    const int labelEvery = std::max(1, int(std::ceil((fm.horizontalAdvance(QStringLiteral("30")) + 4) / slot)));
    const QLocale locale;
    for (size_t i = 0; i < days.size(); ++i) {
        const DayCount &d = days[i];
        const int left = plot.left() + int(slot * double(i) + (slot - barWidth) / 2);
        int bottom = plot.bottom();
        for (const auto &[count, colour] : {std::pair{d.right, RightColour}, std::pair{d.wrong, WrongColour},
                                            std::pair{d.timeout, TimeoutColour}}) {
            if (count == 0)
                continue;
            const int h = std::max(1, int(std::lround(double(plot.height()) * count / top)));
            painter.fillRect(QRect(left, bottom - h + 1, barWidth, h), colour);
            bottom -= h;
        }
        // The day of the month under every few bars, the month under the first day and each 1st.
        const int centre = left + barWidth / 2;
        painter.setPen(QColor(0x30, 0x30, 0x30));
        if (i % labelEvery == 0 || i + 1 == days.size())
            painter.drawText(QRect(centre - 20, plot.bottom() + 3, 40, line), Qt::AlignHCenter | Qt::AlignTop,
                             QString::number(d.day.day()));
        if (i == 0 || d.day.day() == 1)
            painter.drawText(QRect(centre - 4, plot.bottom() + 3 + line, 80, line), Qt::AlignLeft | Qt::AlignTop,
                             locale.monthName(d.day.month(), QLocale::ShortFormat));
    }
    if (highest == 0) {
        painter.setPen(QColor(0x50, 0x50, 0x50));
        painter.drawText(plot, Qt::AlignCenter, QLatin1String(NothingYet));
    }
    painter.restore();
}

ProgressPage::ProgressPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProgressPage"));
    chart = new ProgressChart(this);

    words = new QTableWidget(0, 4, this);
    words->setObjectName(QStringLiteral("words"));
    words->setHorizontalHeaderLabels(
        {QStringLiteral("Word"), QStringLiteral("Tries"), QStringLiteral("Right"), QStringLiteral("Last seen")});
    words->verticalHeader()->hide();
    words->setEditTriggers(QAbstractItemView::NoEditTriggers);
    words->setSelectionBehavior(QAbstractItemView::SelectRows);
    words->setAlternatingRowColors(true);
    words->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < 4; ++c)
        words->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    words->verticalHeader()->setDefaultSectionSize(words->fontMetrics().height() + 6);

    wordsNote = makeQuietNote(this, "wordsNote");
    wordsNote->setWordWrap(true);
    wordsNote->hide();

    exportButton = new QPushButton(QStringLiteral("Export..."), this);
    clearButton = new QPushButton(QStringLiteral("Clear history"), this);
    for (QPushButton *b : {exportButton, clearButton})
        b->setAutoDefault(false);
    note = makeQuietNote(this, "note");
    note->setWordWrap(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(note, 1);
    buttons->addWidget(exportButton);
    buttons->addWidget(clearButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chart);
    layout->addWidget(words, 1);
    layout->addWidget(wordsNote);
    layout->addLayout(buttons);

    chooseExportFile = [](QWidget *over) {
        QFileDialog dialog(over, QStringLiteral("Export the history"),
                           QDir::home().filePath(QStringLiteral("Progress.csv")),
                           QStringLiteral("CSV files (*.csv);;All files (*)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        dialog.setSizeGripEnabled(true);
        // The corner stays on top; the dialog must not open hidden behind it.
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    };
    confirmClear = [](QWidget *over) {
        QMessageBox box(QMessageBox::Question, QLatin1String(Title), QLatin1String(ClearQuestion),
                        QMessageBox::Yes | QMessageBox::No, over);
        box.setDefaultButton(QMessageBox::No);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        return box.exec() == QMessageBox::Yes;
    };
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString file = chooseExportFile(this);
        if (!file.isEmpty())
            exportTo(file);
    });
    connect(clearButton, &QPushButton::clicked, this, [this] {
        if (confirmClear(this))
            clearHistory();
    });
    connect(&ProgressRecorder::instance(), &ProgressRecorder::stopped, this, &ProgressPage::showNote);
}

void ProgressPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    reload();
}

void ProgressPage::showNote(const QString &text)
{
    note->setText(text);
}

void ProgressPage::reload()
{
    // Counted as the file is read: no more is held than the chart's days and the words.
    progress::Tally tally(QDate::currentDate());
    progress::readEach(ProgressRecorder::file(), [&tally](const ProgressRecord &r) { tally.add(r); });
    chart->setDays(tally.days());

    const std::vector<WordStats> table = tally.mostPractised(MaxRows);
    words->setSortingEnabled(false);
    words->setRowCount(int(table.size()));
    for (int row = 0; row < int(table.size()); ++row) {
        const WordStats &w = table[size_t(row)];
        words->setItem(row, 0, new QTableWidgetItem(w.word));
        words->setItem(row, 1, numberItem(w.tries));
        words->setItem(row, 2, numberItem(w.rights));
        words->setItem(row, 3, new QTableWidgetItem(lastSeenText(w)));
    }
    const QLocale locale;
    QString shown;
    if (tally.wordsLeftOut())
        shown = QString::fromLatin1(MostTriedOfMore).arg(locale.toString(MaxRows), locale.toString(tally.wordCount()));
    else if (tally.wordCount() > MaxRows)
        shown = QString::fromLatin1(MostTried).arg(locale.toString(MaxRows), locale.toString(tally.wordCount()));
    wordsNote->setText(shown);
    wordsNote->setVisible(!shown.isEmpty());
    showNote(ProgressRecorder::instance().note());
}

bool ProgressPage::exportTo(const QString &file)
{
    QString reason;
    QFile in;
    bool copied;
    if (openRegularFile(in, QFile::encodeName(ProgressRecorder::file()), reason)) {
        // Copied a piece at a time: the history may be far larger than anything worth holding.
        copied = progress::copyWhole(in, file, reason);
    } else {
        reason.clear();
        copied = progress::writeWhole(file, progress::Header, reason);
    }
    if (!copied) {
        showNote(QString::fromLatin1(NotExported).arg(reason));
        return false;
    }
    showNote(QString::fromLatin1(Exported).arg(QDir::toNativeSeparators(file)));
    return true;
}

bool ProgressPage::clearHistory()
{
    QString reason;
    if (!progress::writeWhole(ProgressRecorder::file(), QByteArray(), reason)) {
        showNote(QString::fromLatin1(NotCleared).arg(reason));
        return false;
    }
    ProgressRecorder::instance().resume();
    reload();
    return true;
}

} // namespace lettora
