#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace lettora {

// The one error type of the program: a handler raises it and the guard around the handler
// reports its text.
class Error : public std::exception
{
public:
    explicit Error(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// Messages shared by several subsystems.
namespace messages {
inline constexpr const char *CannotOpenFile = "Cannot open file \"%1\". %2";
inline constexpr const char *CannotCreateFile = "Cannot create file \"%1\". %2";
inline constexpr const char *StreamWriteError = "Stream write error";
inline constexpr const char *NotRegularFile = "Not a regular file";
inline constexpr const char *OutOfMemory = "Out of memory";
inline constexpr const char *InformationCaption = "Information";
} // namespace messages

// The longest file name or path a message quotes whole.
inline constexpr qsizetype MaxQuotedLength = 200;

// A file name or path as a message quotes it: a longer one than MaxQuotedLength keeps its start and
// its end with "…" between them, MaxQuotedLength characters in all, so that no box lays out a
// huge line. Every message that names a file passes the name through here.
QString quotedName(const QString &nameOrPath);

// A file name's bytes as text: UTF-8 when they are valid UTF-8, otherwise Latin-1 (a name that is
// not UTF-8 is still shown whole, one character per byte).
QString shownBytes(const QByteArray &bytes);

// The text as a box shows it: a run of more than BreakableRun characters without a space (a long
// file name) gets invisible places to wrap, so the box wraps it instead of growing past the screen
// and cutting the end of the text off.
inline constexpr qsizetype BreakableRun = 24;
QString breakableText(const QString &text);

// A full stop is appended when the text's last character comes after '.' in character order:
// "File not found" gets one, "Done." and "(3)" do not.
QString withFullStop(const QString &text);

// The application title: the executable's file name up to its first full stop, every character
// after the first in lower case ("LETTORA.EXE" gives "Lettora").
QString applicationTitle(const QString &executableFileName);

// The title of this run, from the running executable's name.
QString currentApplicationTitle();

} // namespace lettora
