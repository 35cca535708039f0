#include "parents/ProgressLog.h"

#include "shell/ErrorReport.h"
#include "shell/core/AtomicFile.h"
#include "shell/core/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace lettora::progress {

namespace {
const char *resultName(Answer a)
{
    switch (a) {
    case Answer::Right: return "right";
    case Answer::Wrong: return "wrong";
    case Answer::Timeout: return "timeout";
    }
    return "right";
}

void appendField(QByteArray &line, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        QByteArray quoted = bytes;
        quoted.replace("\"", "\"\"");
        line += '"' + quoted + '"';
    } else {
        line += bytes;
    }
}

// The fields of one line (without its line break); false when a quote is left open or stray.
bool splitFields(const char *p, const char *end, std::vector<QByteArray> &fields)
{
    fields.clear();
    for (;;) {
        QByteArray field;
        if (p < end && *p == '"') {
            ++p;
            for (;;) {
                const char *quote = static_cast<const char *>(memchr(p, '"', end - p));
                if (!quote)
                    return false;
                field.append(p, quote - p);
                p = quote + 1;
                if (p < end && *p == '"') {
                    field += '"';
                    ++p;
                } else {
                    break;
                }
            }
            if (p < end && *p != ',')
                return false;
        } else {
            const char *comma = static_cast<const char *>(memchr(p, ',', end - p));
            const char *stop = comma ? comma : end;
            if (memchr(p, '"', stop - p))
                return false;
            field = QByteArray(p, stop - p);
            p = stop;
        }
        fields.push_back(std::move(field));
        if (p == end)
            return true;
        ++p;  // the comma
    }
}

int digits(const char *p, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// "yyyy-MM-ddTHH:mm:ss", nothing more, nothing less.
bool parseWhen(const QByteArray &text, QDate &date, QTime &time)
{
    const char *p = text.constData();
    if (text.size() != 19 || p[4] != '-' || p[7] != '-' || p[10] != 'T' || p[13] != ':' || p[16] != ':')
        return false;
    const int y = digits(p, 4), mo = digits(p + 5, 2), d = digits(p + 8, 2);
    const int h = digits(p + 11, 2), mi = digits(p + 14, 2), s = digits(p + 17, 2);
    if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || s < 0 || !QDate::isValid(y, mo, d) || !QTime::isValid(h, mi, s))
        return false;
    date = QDate(y, mo, d);
    time = QTime(h, mi, s);
    return true;
}

bool parseLine(const char *begin, const char *end, std::vector<QByteArray> &fields, ProgressRecord &r)
{
    if (end > begin && end[-1] == '\r')
        --end;
    if (!splitFields(begin, end, fields) || fields.size() != 5)
        return false;
    if (!parseWhen(fields[0], r.date, r.time) || fields[1].isEmpty())
        return false;
    if (fields[2] == "right")
        r.result = Answer::Right;
    else if (fields[2] == "wrong")
        r.result = Answer::Wrong;
    else if (fields[2] == "timeout")
        r.result = Answer::Timeout;
    else
        return false;
    bool ok = false;
    r.seconds = fields[3].toDouble(&ok);
    if (!ok || !std::isfinite(r.seconds) || r.seconds < 0)
        return false;
    r.word = QString::fromUtf8(fields[1]);
    if (r.word.size() > MaxWordLetters)
        r.word = r.word.left(MaxWordLetters) + QChar(0x2026);
    r.typed = QString::fromUtf8(fields[4]);
    return true;
}

// Hands over each whole line of `in` that is at most MaxLineSize bytes long; a longer one is
// skipped as it goes by, and so is the first line when `skipFirst` (a part of one).
void eachLine(QIODevice &in, bool skipFirst, const std::function<void(const char *, const char *)> &line)
{
    QByteArray held;          // the start of a line begun in an earlier chunk
    bool skipping = skipFirst;  // within a line that is not handed over
    QByteArray chunk(ReadChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(chunk.data(), chunk.size());
        if (got <= 0)
            return;  // a last line without its line break is a cut one
        const char *p = chunk.constData();
        const char *end = p + got;
        while (p < end) {
            const char *newline = static_cast<const char *>(memchr(p, '\n', end - p));
            const char *stop = newline ? newline : end;
            if (!skipping) {
                if (held.size() + (stop - p) > MaxLineSize) {
                    held.clear();
                    skipping = true;
                } else if (newline && held.isEmpty()) {
                    line(p, stop);
                } else {
                    held.append(p, stop - p);
                    if (newline) {
                        line(held.constData(), held.constData() + held.size());
                        held.clear();
                    }
                }
            }
            if (!newline)
                break;
            skipping = false;
            p = newline + 1;
        }
    }
}

bool later(QDate d1, QTime t1, QDate d2, QTime t2)
{
    return d1 != d2 ? d1 > d2 : t1 > t2;
}

bool harderFirst(const WordStats &a, const WordStats &b)
{
    const qint64 shareA = qint64(a.rights) * b.tries, shareB = qint64(b.rights) * a.tries;
    if (shareA != shareB)
        return shareA < shareB;
    if (a.tries != b.tries)
        return a.tries > b.tries;
    return a.word < b.word;
}

void count(WordStats &w, const ProgressRecord &r)
{
    ++w.tries;
    if (r.result == Answer::Right)
        ++w.rights;
    if (later(r.date, r.time, w.lastDate, w.lastTime)) {
        w.lastDate = r.date;
        w.lastTime = r.time;
    }
}

void countDay(DayCount &d, Answer result)
{
    (result == Answer::Right ? d.right : result == Answer::Wrong ? d.wrong : d.timeout) += 1;
}

} // namespace

QString recordedWord(const QString &word)
{
    QString lower = word;
    for (QChar &c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return lower;
}

QByteArray format(const ProgressRecord &r)
{
    QByteArray line = (r.date.toString(Qt::ISODate) + QLatin1Char('T') + r.time.toString(Qt::ISODate)).toLatin1();
    line += ',';
    appendField(line, r.word);
    line += ',';
    line += resultName(r.result);
    line += ',';
    line += QByteArray::number(std::max(0.0, r.seconds), 'f', 1);
    line += ',';
    appendField(line, r.typed);
    line += '\n';
    return line;
}

void parseEach(QIODevice &in, const std::function<void(const ProgressRecord &)> &each)
{
    std::vector<QByteArray> fields;
    eachLine(in, false, [&](const char *begin, const char *end) {
        ProgressRecord r;
        if (parseLine(begin, end, fields, r))
            each(r);
    });
}

std::vector<ProgressRecord> parse(const QByteArray &text)
{
    std::vector<ProgressRecord> records;
    QBuffer in;
    in.setData(text);
    in.open(QIODevice::ReadOnly);
    parseEach(in, [&](const ProgressRecord &r) { records.push_back(r); });
    return records;
}

void readEach(const QString &file, const std::function<void(const ProgressRecord &)> &each)
{
    QFile in;
    QString reason;
    if (!openRegularFile(in, QFile::encodeName(file), reason))
        return;
    const qint64 size = in.size();
    // Only the newest part of a larger file: its first line is only a part of one.
    const bool cut = size > MaxReadSize && in.seek(size - MaxReadSize);
    std::vector<QByteArray> fields;
    eachLine(in, cut, [&](const char *begin, const char *end) {
        ProgressRecord r;
        if (parseLine(begin, end, fields, r))
            each(r);
    });
}

std::vector<ProgressRecord> read(const QString &file)
{
    std::vector<ProgressRecord> records;
    readEach(file, [&](const ProgressRecord &r) { records.push_back(r); });
    return records;
}

std::pair<QDate, QDate> chartRange(const std::vector<ProgressRecord> &records, QDate today, int maxDays, int minDays)
{
    QDate first = today.addDays(-(maxDays - 1));
    QDate earliest = today;
    for (const ProgressRecord &r : records) {
        if (r.date < earliest)
            earliest = r.date;
    }
    first = std::max(first, earliest);
    first = std::min(first, today.addDays(-(minDays - 1)));
    return {first, today};
}

std::vector<DayCount> perDay(const std::vector<ProgressRecord> &records, QDate first, QDate last)
{
    std::vector<DayCount> days;
    if (!first.isValid() || !last.isValid() || last < first)
        return days;
    days.resize(first.daysTo(last) + 1);
    for (size_t i = 0; i < days.size(); ++i)
        days[i].day = first.addDays(qint64(i));
    for (const ProgressRecord &r : records) {
        const qint64 i = first.daysTo(r.date);
        if (i < 0 || i >= qint64(days.size()))
            continue;
        countDay(days[i], r.result);
    }
    return days;
}

std::vector<WordStats> perWord(const std::vector<ProgressRecord> &records)
{
    std::vector<WordStats> words;
    QHash<QString, size_t> index;
    for (const ProgressRecord &r : records) {
        auto found = index.constFind(r.word);
        size_t i;
        if (found == index.constEnd()) {
            i = words.size();
            index.insert(r.word, i);
            words.push_back({r.word, 0, 0, r.date, r.time});
        } else {
            i = *found;
        }
        count(words[i], r);
    }
    std::sort(words.begin(), words.end(), harderFirst);
    return words;
}

Tally::Tally(QDate today, int maxDays, int minDays) : m_today(today), m_maxDays(maxDays), m_minDays(minDays)
{
    m_days.resize(size_t(std::max(maxDays, 1)));
    for (size_t i = 0; i < m_days.size(); ++i)
        m_days[i].day = today.addDays(qint64(i) - qint64(m_days.size() - 1));
}

void Tally::add(const ProgressRecord &r)
{
    if (!m_earliest.isValid() || r.date < m_earliest)
        m_earliest = r.date;
    const qint64 day = m_days.front().day.daysTo(r.date);
    if (day >= 0 && day < qint64(m_days.size()))
        countDay(m_days[size_t(day)], r.result);
    auto found = m_index.constFind(r.word);
    if (found != m_index.constEnd()) {
        count(m_words[*found], r);
        return;
    }
    if (m_words.size() >= size_t(MaxWordsCounted)) {
        m_leftOut = true;
        return;
    }
    m_index.insert(r.word, m_words.size());
    m_words.push_back({r.word, 0, 0, r.date, r.time});
    count(m_words.back(), r);
}

std::vector<DayCount> Tally::days() const
{
    QDate first = m_today.addDays(-(m_maxDays - 1));
    if (m_earliest.isValid() && m_earliest > first)
        first = std::min(m_earliest, m_today);
    first = std::min(first, m_today.addDays(-(m_minDays - 1)));
    std::vector<DayCount> days;
    for (QDate d = first; d <= m_today; d = d.addDays(1)) {
        const qint64 i = m_days.front().day.daysTo(d);
        days.push_back(i >= 0 ? m_days[size_t(i)] : DayCount{d, 0, 0, 0});
    }
    return days;
}

std::vector<WordStats> Tally::mostPractised(int rows) const
{
    std::vector<WordStats> words = m_words;
    if (rows >= 0 && words.size() > size_t(rows)) {
        const auto practisedMore = [](const WordStats &a, const WordStats &b) {
            return a.tries != b.tries ? a.tries > b.tries : a.word < b.word;
        };
        std::nth_element(words.begin(), words.begin() + rows, words.end(), practisedMore);
        words.resize(size_t(rows));
    }
    std::sort(words.begin(), words.end(), harderFirst);
    return words;
}

bool writeWhole(const QString &file, const QByteArray &bytes, QString &reason)
{
    SaveFailure failure;
    if (saveWholeFile(file, bytes, failure))
        return true;
    reason = failure.reason;
    return false;
}

bool copyWhole(QIODevice &from, const QString &file, QString &reason)
{
    // Never put in place of a FIFO or a folder; a short write on a full disk leaves the old file.
    AtomicFile out(file);
    if (!out.open()) {
        reason = out.errorString();
        return false;
    }
    QByteArray chunk(ReadChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = from.read(chunk.data(), chunk.size());
        if (got < 0) {
            reason = from.errorString();
            return false;
        }
        if (got == 0)
            break;
        if (!out.write(chunk.constData(), got)) {
            reason = out.errorString();
            return false;
        }
    }
    if (!out.finish() || !out.commit()) {
        reason = out.errorString();
        return false;
    }
    return true;
}

} // namespace lettora::progress
