#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>
#include <new>

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

// Shows the error box: caption = application title, the text with the full-stop rule, error icon, OK.
void reportError(const QString &text);

// Shows an information box: caption "Information", information icon, OK, centred on the screen.
void showInformation(const QString &text);

// Tests replace the boxes with a recorder: (caption, text as shown).
using MessageHook = std::function<void(const QString &caption, const QString &text)>;
void setMessageHook(MessageHook hook);

// Runs one handler that the event loop calls. An error unwinds the handler, is reported, and the
// program goes on with the next event.
template<typename Handler>
void guard(Handler &&handler) noexcept
{
    try {
        handler();
    } catch (const Error &e) {
        reportError(e.text());
    } catch (const std::bad_alloc &) {
        reportError(QString::fromLatin1(messages::OutOfMemory));
    } catch (const std::exception &e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
    }
}

} // namespace lettora
