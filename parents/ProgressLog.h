#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>
#include <QTime>

#include <functional>
#include <utility>
#include <vector>

class QIODevice;

namespace lettora {

// One answer of the child: a right or a wrong OK, or a countdown that ran out.
enum class Answer { Right, Wrong, Timeout };

struct ProgressRecord
{
    QDate date;        // local
    QTime time;        // local, whole seconds
    QString word;      // the picture's word, its letters in lower case
    Answer result = Answer::Right;
    double seconds = 0;  // since the picture came, one decimal
    QString typed;     // the letters in the answer row, lower case

    bool operator==(const ProgressRecord &) const = default;
};

// Right, wrong and timed-out answers of one calendar day.
struct DayCount
{
    QDate day;
    int right = 0;
    int wrong = 0;
    int timeout = 0;
    int total() const { return right + wrong + timeout; }
    bool operator==(const DayCount &) const = default;
};

// One word over the whole history.
struct WordStats
{
    QString word;
    int tries = 0;
    int rights = 0;
    QDate lastDate;
    QTime lastTime;
};

// The answers' history, "./Data/Progress.csv": a header line, then one line per answer,
// appended as the child plays:
//   time,word,result,seconds,typed
//   2026-12-07T14:05:09,cat,right,3.4,cat
// Fields are quoted as CSV wants (RFC 4180) where they hold a comma, a quote or a line break.
namespace progress {

inline constexpr const char *Header = "time,word,result,seconds,typed\n";
// Far more than years of play: beyond it only the newest part is read.
inline constexpr qint64 MaxReadSize = 32 * 1024 * 1024;
// The longest line read, without its line break: far more than two fields of the answer row's
// letters. A longer line is no record of ours and is skipped as it is read, never held whole.
inline constexpr qsizetype MaxLineSize = 1024;
// A word longer than the answer row holds is cut to that many letters, with "…" after them.
inline constexpr int MaxWordLetters = 20;
// The most different words counted; further new words are left out of the words' table.
inline constexpr int MaxWordsCounted = 20000;
// The pieces a file is read and copied in.
inline constexpr qint64 ReadChunk = 64 * 1024;

// The picture's word as it is recorded: A..Z in lower case, nothing else changed.
QString recordedWord(const QString &word);

// The record's line, with its final "\n".
QByteArray format(const ProgressRecord &record);

// The records of a file's text. A line that is not a whole record (cut by a crash, without its
// final line break, a foreign line, a bad date, an unknown result) is skipped; the rest is kept.
std::vector<ProgressRecord> parse(const QByteArray &text);

// The records of the file; none when it is missing, unreadable or not a regular file.
std::vector<ProgressRecord> read(const QString &file);

// The same, each record handed over as it is read: nothing but a line at a time is held.
void readEach(const QString &file, const std::function<void(const ProgressRecord &)> &each);
void parseEach(QIODevice &in, const std::function<void(const ProgressRecord &)> &each);

// What the page shows, counted record by record as the file is read: the chart's days (as
// chartRange and perDay give them) and the words (as perWord gives them), at most
// MaxWordsCounted different words.
class Tally
{
public:
    explicit Tally(QDate today, int maxDays = 30, int minDays = 7);
    void add(const ProgressRecord &record);

    std::vector<DayCount> days() const;
    // The `rows` words with the most tries (the word breaking ties), the hardest first.
    std::vector<WordStats> mostPractised(int rows) const;
    int wordCount() const { return int(m_words.size()); }
    // True when words beyond MaxWordsCounted were left out.
    bool wordsLeftOut() const { return m_leftOut; }

private:
    QDate m_today;
    int m_maxDays, m_minDays;
    QDate m_earliest;
    std::vector<DayCount> m_days;  // the last maxDays days, ending today
    std::vector<WordStats> m_words;
    QHash<QString, size_t> m_index;
    bool m_leftOut = false;
};

// The days the chart shows, ending `today`: the last `maxDays`, or from the first record on when
// that is later, but never fewer than `minDays`.
std::pair<QDate, QDate> chartRange(const std::vector<ProgressRecord> &records, QDate today, int maxDays = 30,
                                   int minDays = 7);

// One entry per day from `first` to `last`, days without play at zero; records outside are left out.
std::vector<DayCount> perDay(const std::vector<ProgressRecord> &records, QDate first, QDate last);

// One entry per word, the hardest first: the smallest share of right answers, then the most
// tries, then the word.
std::vector<WordStats> perWord(const std::vector<ProgressRecord> &records);

// Writes `bytes` to `file` whole or not at all; the reason when it could not.
bool writeWhole(const QString &file, const QByteArray &bytes, QString &reason);

// Copies what `from` holds to `file`, whole or not at all, ReadChunk bytes at a time.
bool copyWhole(QIODevice &from, const QString &file, QString &reason);

} // namespace progress
} // namespace lettora
