#include "parents/ProgressLog.h"

#include "shell/ErrorReport.h"
#include "shell/RegularFile.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>

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
    r.typed = QString::fromUtf8(fields[4]);
    return true;
}

bool later(QDate d1, QTime t1, QDate d2, QTime t2)
{
    return d1 != d2 ? d1 > d2 : t1 > t2;
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

std::vector<ProgressRecord> parse(const QByteArray &text)
{
    std::vector<ProgressRecord> records;
    records.reserve(text.size() / 40);
    std::vector<QByteArray> fields;
    const char *p = text.constData();
    const char *end = p + text.size();
    while (p < end) {
        const char *newline = static_cast<const char *>(memchr(p, '\n', end - p));
        if (!newline)
            break;  // the last line, cut before its line break
        ProgressRecord r;
        if (parseLine(p, newline, fields, r))
            records.push_back(std::move(r));
        p = newline + 1;
    }
    return records;
}

std::vector<ProgressRecord> read(const QString &file)
{
    QFile in;
    QString reason;
    if (!openRegularFile(in, QFile::encodeName(file), reason))
        return {};
    const qint64 size = in.size();
    if (size > MaxReadSize && in.seek(size - MaxReadSize)) {
        QByteArray tail = in.readAll();
        // The first line is only a part of one.
        const qsizetype newline = tail.indexOf('\n');
        return parse(newline < 0 ? QByteArray() : tail.mid(newline + 1));
    }
    return parse(in.readAll());
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
        DayCount &d = days[i];
        (r.result == Answer::Right ? d.right : r.result == Answer::Wrong ? d.wrong : d.timeout) += 1;
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
        WordStats &w = words[i];
        ++w.tries;
        if (r.result == Answer::Right)
            ++w.rights;
        if (later(r.date, r.time, w.lastDate, w.lastTime)) {
            w.lastDate = r.date;
            w.lastTime = r.time;
        }
    }
    std::sort(words.begin(), words.end(), [](const WordStats &a, const WordStats &b) {
        const qint64 shareA = qint64(a.rights) * b.tries, shareB = qint64(b.rights) * a.tries;
        if (shareA != shareB)
            return shareA < shareB;
        if (a.tries != b.tries)
            return a.tries > b.tries;
        return a.word < b.word;
    });
    return words;
}

bool writeWhole(const QString &file, const QByteArray &bytes, QString &reason)
{
    if (holdsNonRegularFile(QFile::encodeName(file))) {
        reason = QLatin1String(messages::NotRegularFile);
        return false;  // never put a file of our own in place of a FIFO or a folder
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        reason = out.errorString();
        return false;
    }
    // Flushed before the commit: a short write on a full disk must leave the old file in place.
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        reason = out.errorString();
        out.cancelWriting();
        out.commit();
        return false;
    }
    if (!out.commit()) {
        reason = out.errorString();
        return false;
    }
    return true;
}

} // namespace lettora::progress
