#include "Pictures.h"

#include "Canvas.h"
#include "game/rules/LetterSet.h"
#include "shell/core/AssetPaths.h"

#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>
#include <vector>

namespace art {

namespace {

// The colours of the game window's background; pictures that sit on a region are painted
// with that region's colour so that no rectangle shows around them.
const QColor Frame(0x3E, 0x9B, 0xE0);
const QColor SkyTop(0xAE, 0xE0, 0xFA);
const QColor SkyBottom(0xE3, 0xF5, 0xFE);
const QColor ButtonPanel(0xFF, 0xF4, 0xC2);
const QColor SpeakerSky(0xB7, 0xE4, 0xFB);  // the sky beside the picture frame, where the speaker sits
const QColor ButtonPanelEdge(0xFF, 0xCC, 0x4D);
const QColor LifePanel(0xFF, 0xE3, 0xEC);
const QColor LifePanelEdge(0xF4, 0x8F, 0xB1);
const QColor KeyboardPanel(Qt::white);
const QColor KeyboardPanelEdge(0x66, 0xBB, 0x6A);
const QColor AnswerFrame(0x4F, 0xC3, 0xF7);
const QColor Navy(0x1A, 0x23, 0x7E);

// The keyboard's white panel; letters must stay inside it.
const QRect KeyboardArea(30, 426, 622, 144);
constexpr int KeyboardInnerRight = 30 + 622 - 5;
constexpr int KeyboardInnerBottom = 426 + 144 - 4;

// Letter colours, strong enough on white for young eyes.
const QColor LetterColours[] = {QColor(0xD3, 0x2F, 0x2F), QColor(0xEF, 0x6C, 0x00), QColor(0x2E, 0x7D, 0x32),
                                QColor(0x15, 0x65, 0xC0), QColor(0x7B, 0x1F, 0xA2), QColor(0xC2, 0x18, 0x5B),
                                QColor(0x00, 0x83, 0x8F)};

void roundedPanel(QPainter &p, QRectF r, qreal radius, QColor fill, QColor edge, qreal edgeWidth)
{
    p.setPen(edgeWidth > 0 ? QPen(edge, edgeWidth) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(edgeWidth / 2, edgeWidth / 2, -edgeWidth / 2, -edgeWidth / 2), radius, radius);
}

QString path(const QString &dir, const char *relative)
{
    return dir + QLatin1Char('/') + QLatin1String(relative);
}

// ---- Letters --------------------------------------------------------------------------------

struct Ink
{
    QPainterPath path;
    QRectF box;  // relative to the baseline origin
};

Ink inkOf(QChar c, qreal em)
{
    Ink ink;
    ink.path = textPath(QString(c), em);
    ink.box = ink.path.boundingRect();
    return ink;
}

// The Left of each keyboard letter with a set's corrections applied.
std::map<char, int> keyboardLefts(lettora::LetterCase set)
{
    std::map<char, int> left;
    for (const auto &info : lettora::Letters)
        left[info.letter] = info.keyboard.left();
    for (const auto &c : lettora::KeyboardCorrections) {
        const int v = set == lettora::LetterCase::Upper ? c.upper : c.lower;
        if (c.property == lettora::KeyboardCorrection::Left && v != lettora::KeyboardCorrection::NotSet)
            left[c.letter] = v;
    }
    return left;
}

// How wide a letter's picture may be before it runs into its right-hand neighbour on the keyboard.
int widthRoom(lettora::LetterCase set, char letter)
{
    const auto left = keyboardLefts(set);
    const auto &self = lettora::Letters[letter - 'A'];
    int next = KeyboardInnerRight;
    for (const auto &other : lettora::Letters) {
        if (other.keyboard.top() == self.keyboard.top() && left.at(other.letter) > left.at(letter))
            next = std::min(next, left.at(other.letter) - 2);
    }
    return next - left.at(letter);
}

struct LetterMetrics
{
    qreal em = 0;
    int rowBaseline = 0;  // baseline in the answer row, shared by both cases
    int upperHeight = 0;
    int lowerHeight = 0;
};

// The lower-case Tops of the answer row put letters of different shapes at different heights
// (x-height letters 15 pixels below the ascender ones, j 2 above). Each picture is cut so that its
// baseline falls on one row baseline at those Tops; the same baseline serves the upper case.
LetterMetrics fitLetters()
{
    const int answerRowHeight = 81 - 2;  // the scroll box less its bar
    for (qreal em = 64; em >= 30; em -= 0.5) {
        LetterMetrics m;
        m.em = em;
        qreal need = 0;  // how far the row baseline must be from the row's top
        for (const auto &info : lettora::Letters) {
            const int top = lettora::answerTop(lettora::LetterCase::Lower, info.letter);
            need = std::max(need, top - inkOf(QChar(info.letter).toLower(), em).box.top() + 1);
            need = std::max(need, lettora::UpperAnswerTop - inkOf(QChar(info.letter), em).box.top() + 1);
        }
        m.rowBaseline = int(std::ceil(need));
        qreal upper = 0, lower = 0;
        for (const auto &info : lettora::Letters) {
            const int topLower = lettora::answerTop(lettora::LetterCase::Lower, info.letter);
            lower = std::max(lower, m.rowBaseline - topLower + inkOf(QChar(info.letter).toLower(), em).box.bottom());
            upper = std::max(upper, m.rowBaseline - lettora::UpperAnswerTop + inkOf(QChar(info.letter), em).box.bottom());
        }
        m.upperHeight = int(std::ceil(upper)) + 2;
        m.lowerHeight = int(std::ceil(lower)) + 2;
        const int keyboardRoom = KeyboardInnerBottom - 504;  // the second row starts at 504
        if (m.lowerHeight + 18 <= answerRowHeight && m.upperHeight <= keyboardRoom && m.lowerHeight <= keyboardRoom)
            return m;
    }
    std::fprintf(stderr, "lettora-artwork: the letters do not fit the answer row\n");
    std::exit(1);
}

void drawLetter(const QString &file, QChar c, QColor colour, const LetterMetrics &m, int baseline, int height,
                int room)
{
    Ink ink = inkOf(c, m.em);
    const int pad = 3;
    int width = int(std::ceil(ink.box.width())) + 2 * pad;
    qreal squeeze = 1;
    if (width > room) {
        squeeze = qreal(room - 2 * pad) / ink.box.width();
        width = room;
    }
    QImage image = canvas(width, height, KeyboardPanel);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(pad, baseline);
    p.scale(squeeze, 1);
    p.translate(-ink.box.left(), 0);
    p.setPen(QPen(colour.darker(140), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    // The outline goes round the union of the font's overlapping contours, so no seam shows inside
    // N, M, W, X, Y or K. The sizes stay those of the font's own path.
    p.drawPath(ink.path.simplified());
    p.end();
    save(image, file);
}

} // namespace

void drawLetters(const QString &dir)
{
    const LetterMetrics m = fitLetters();
    if (artScale() == 1)
        std::printf("letters: %.1f px font, row baseline %d, heights %d (upper) and %d (lower)\n", m.em,
                    m.rowBaseline, m.upperHeight, m.lowerHeight);
    for (const auto &info : lettora::Letters) {
        const QColor colour = LetterColours[(info.letter - 'A') % std::size(LetterColours)];
        const QString name = lettora::letterFileName(info.letter);
        drawLetter(dir + QStringLiteral("/Font/Upper/") + name, QChar(info.letter), colour, m,
                   m.rowBaseline - lettora::UpperAnswerTop, m.upperHeight,
                   widthRoom(lettora::LetterCase::Upper, info.letter));
        drawLetter(dir + QStringLiteral("/Font/Lower/") + name, QChar(info.letter).toLower(), colour, m,
                   m.rowBaseline - lettora::answerTop(lettora::LetterCase::Lower, info.letter), m.lowerHeight,
                   widthRoom(lettora::LetterCase::Lower, info.letter));
    }
}

// ---- Game window ------------------------------------------------------------------------------

namespace {

enum class Icon { Play, Restart, Gear, Door, Check, Sponge, Speaker };

void drawIcon(QImage &image, Icon icon, QPointF c, qreal size, QColor shadow)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 2;
    auto shadowed = [&](const QPainterPath &shape, bool stroke) {
        for (int pass = 0; pass < 2; ++pass) {
            const QColor colour = pass == 0 ? shadow : QColor(Qt::white);
            p.save();
            if (pass == 0)
                p.translate(1.5, 2);
            if (stroke) {
                p.setPen(QPen(colour, size / 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.setBrush(Qt::NoBrush);
            } else {
                p.setPen(Qt::NoPen);
                p.setBrush(colour);
            }
            p.drawPath(shape);
            p.restore();
        }
    };
    switch (icon) {
    case Icon::Play: {
        QPainterPath t;
        t.moveTo(c.x() - s * 0.7, c.y() - s);
        t.lineTo(c.x() + s, c.y());
        t.lineTo(c.x() - s * 0.7, c.y() + s);
        t.closeSubpath();
        shadowed(t, false);
        break;
    }
    case Icon::Restart: {
        QPainterPath arc;
        const QRectF r(c.x() - s * 0.8, c.y() - s * 0.8, s * 1.6, s * 1.6);
        arc.arcMoveTo(r, 60);
        arc.arcTo(r, 60, 280);
        shadowed(arc, true);
        QPainterPath head;
        const QPointF tip = QPointF(c.x() + s * 0.4, c.y() - s * 0.69);
        head.moveTo(tip + QPointF(s * 0.55, -s * 0.05));
        head.lineTo(tip + QPointF(-s * 0.15, -s * 0.55));
        head.lineTo(tip + QPointF(-s * 0.05, s * 0.45));
        head.closeSubpath();
        shadowed(head, false);
        break;
    }
    case Icon::Check: {
        QPainterPath v;
        v.moveTo(c.x() - s * 0.8, c.y());
        v.lineTo(c.x() - s * 0.2, c.y() + s * 0.6);
        v.lineTo(c.x() + s * 0.85, c.y() - s * 0.7);
        shadowed(v, true);
        break;
    }
    case Icon::Gear:
    case Icon::Door:
    case Icon::Sponge:
    case Icon::Speaker:
        // A white disc behind the colour pictures keeps them clear on any button colour.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 225));
        p.drawEllipse(c, size * 0.62, size * 0.62);
        p.end();
        break;
    }
    switch (icon) {
    case Icon::Play:
    case Icon::Restart:
    case Icon::Check:
        break;
    case Icon::Gear:
        drawEmoji(image, QStringLiteral("\u2699\uFE0F"), c.x(), c.y(), size);
        break;
    case Icon::Door:
        drawEmoji(image, QStringLiteral("\U0001F6AA"), c.x(), c.y(), size);
        break;
    case Icon::Sponge:
        drawEmoji(image, QStringLiteral("\U0001F9FD"), c.x(), c.y(), size);
        break;
    case Icon::Speaker:
        drawEmoji(image, QStringLiteral("\U0001F50A"), c.x(), c.y(), size);
        break;
    }
}

struct ButtonLook
{
    const char *normal;
    const char *pressed;
    QSize size;
    QColor colour;
    QString caption;
    Icon icon;
    qreal iconSize;
    qreal captionSize;
    QColor background;
};

// A round candy button: a lighter top, a darker rim below that disappears when it is pressed.
QImage button(const ButtonLook &look, bool pressed)
{
    const int w = look.size.width(), h = look.size.height();
    QImage image = canvas(w, h, look.background);
    const int depth = 4;
    const int sink = pressed ? depth - 1 : 0;
    const QColor base = pressed ? look.colour.darker(135) : look.colour;
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF body(2, 2 + sink, w - 4, h - 4 - depth);
        p.setPen(Qt::NoPen);
        p.setBrush(base.darker(150));
        p.drawRoundedRect(QRectF(2, 2 + depth, w - 4, h - 4 - depth), 14, 14);
        QLinearGradient g(body.topLeft(), body.bottomLeft());
        g.setColorAt(0, base.lighter(135));
        g.setColorAt(1, base);
        p.setBrush(g);
        p.setPen(QPen(base.darker(130), 1.5));
        p.drawRoundedRect(body, 14, 14);
        // A soft shine across the top.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, pressed ? 35 : 70));
        p.drawRoundedRect(QRectF(body.left() + 6, body.top() + 3, body.width() - 12, body.height() * 0.35), 10, 10);
    }
    const qreal bodyH = h - 4 - depth;
    const qreal top = 2 + sink;
    const QColor shadow = base.darker(170);
    if (look.caption.isEmpty()) {
        drawIcon(image, look.icon, QPointF(w / 2.0, top + bodyH / 2), look.iconSize, shadow);
    } else {
        const qreal iconY = top + bodyH * 0.34;
        const qreal captionY = top + bodyH * 0.76;
        drawIcon(image, look.icon, QPointF(w / 2.0, iconY), look.iconSize, shadow);
        drawCaption(image, look.caption, w / 2.0, captionY, look.captionSize, Qt::white, shadow);
    }
    return image;
}

void drawButtons(const QString &dir, const std::vector<ButtonLook> &looks)
{
    for (const auto &look : looks) {
        save(button(look, false), path(dir, look.normal));
        save(button(look, true), path(dir, look.pressed));
    }
}

void cloud(QPainter &p, QPointF c, qreal s)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawEllipse(c, s, s * 0.6);
    p.drawEllipse(c + QPointF(-s * 0.8, s * 0.15), s * 0.6, s * 0.42);
    p.drawEllipse(c + QPointF(s * 0.85, s * 0.18), s * 0.62, s * 0.4);
}

void drawBorder(const QString &dir)
{
    QImage image = canvas(800, 600, Frame);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, 600);
        sky.setColorAt(0, SkyTop);
        sky.setColorAt(1, SkyBottom);
        p.setPen(Qt::NoPen);
        p.setBrush(sky);
        p.drawRoundedRect(QRectF(8, 8, 784, 584), 22, 22);
        // Confetti dots along the frame.
        const QColor dots[] = {QColor(0xFF, 0xD5, 0x4F), QColor(0xFF, 0x8A, 0x80), QColor(0xA5, 0xD6, 0xA7),
                               QColor(0xFF, 0xFF, 0xFF)};
        int n = 0;
        for (int x = 26; x < 790; x += 28) {
            p.setBrush(dots[n++ % 4]);
            p.drawEllipse(QPointF(x, 4), 2.6, 2.6);
            p.drawEllipse(QPointF(x, 596), 2.6, 2.6);
        }
        for (int y = 26; y < 590; y += 28) {
            p.setBrush(dots[n++ % 4]);
            p.drawEllipse(QPointF(4, y), 2.6, 2.6);
            p.drawEllipse(QPointF(796, y), 2.6, 2.6);
        }
        cloud(p, QPointF(350, 40), 26);
        cloud(p, QPointF(600, 140), 22);
        cloud(p, QPointF(330, 258), 18);

        // The picture frame: the picture itself covers the middle.
        roundedPanel(p, QRectF(48, 24, 252, 252), 20, Qt::white, QColor(0xFF, 0xA7, 0x26), 7);
        p.setBrush(QColor(0xE3, 0xF2, 0xFD));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(174, 150), 62, 62);

        roundedPanel(p, QRectF(420, 44, 186, 74), 18, LifePanel, LifePanelEdge, 3);
        roundedPanel(p, QRectF(644, 34, 124, 362), 20, ButtonPanel, ButtonPanelEdge, 3);
        roundedPanel(p, QRectF(660, 420, 94, 154), 20, ButtonPanel, ButtonPanelEdge, 3);
        roundedPanel(p, QRectF(38, 278, 581, 117), 16, AnswerFrame, AnswerFrame.darker(130), 3);
        roundedPanel(p, QRectF(KeyboardArea), 20, KeyboardPanel, KeyboardPanelEdge, 4);
    }
    // A big question mark waits in the frame until the first picture comes.
    drawCaption(image, QStringLiteral("?"), 174, 150, 96, QColor(0x64, 0xB5, 0xF6), Qt::white);

    // The game's name, one colour per letter.
    const QString name = QStringLiteral("Lettora");
    qreal x = 330;
    for (int i = 0; i < name.size(); ++i) {
        const QPainterPath glyph = textPath(name.mid(i, 1), 58);
        const qreal w = glyph.boundingRect().width();
        drawCaption(image, name.mid(i, 1), x + w / 2, 186 + (i % 2 ? 4 : -4), 58,
                    LetterColours[i % std::size(LetterColours)], Qt::white);
        x += w + 7;
    }
    const QString friends[] = {QStringLiteral("\U0001F431"), QStringLiteral("\U0001F34E"),
                               QStringLiteral("\u2B50"), QStringLiteral("\U0001F697"),
                               QStringLiteral("\U0001F436")};
    for (int i = 0; i < 5; ++i)
        drawEmoji(image, friends[i], 372 + i * 58, 246, 32);
    save(image, path(dir, lettora::paths::Border));
}

// The welcome screen's pictures: a rounded pale-blue panel on white with a navy title.
QImage welcomePanel(QRectF panel, QRectF titleBox, int titlePixels, const QString &title)
{
    QImage image = canvas(500, 374, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    roundedPanel(p, panel, 26, QColor(0xE3, 0xF2, 0xFD), QColor(0x90, 0xCA, 0xF9), 4);
    p.setPen(Navy);
    p.setFont(letterFont(titlePixels));
    p.drawText(titleBox, Qt::AlignCenter, title);
    return image;
}

// The win and lose pictures sit in the middle of the picture frame, whose inside is white.
void drawResult(const QString &file, QColor inner, QColor outer, const QString &emoji, const QString &caption,
                QColor captionColour)
{
    const int size = 188;
    QImage image = canvas(size, size, Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QRadialGradient g(QPointF(size / 2.0, size * 0.4), size * 0.7);
        g.setColorAt(0, inner);
        g.setColorAt(1, outer);
        p.setPen(QPen(outer.darker(135), 5));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(3, 3, size - 6, size - 6), 26, 26);
    }
    drawEmoji(image, emoji, size / 2.0, size * 0.42, 106);
    drawCaption(image, caption, size / 2.0, size * 0.84, 26, captionColour, Qt::white);
    save(image, file);
}

} // namespace

void drawGameWindow(const QString &dir)
{
    using namespace lettora::paths;
    drawBorder(dir);

    QImage life = canvas(50, 50, LifePanel);
    drawEmoji(life, QStringLiteral("\u2764\uFE0F"), 25, 26, 40);
    save(life, path(dir, Life));

    drawResult(path(dir, Win), QColor(0xFF, 0xF9, 0xC4), QColor(0xFF, 0xC1, 0x07), QStringLiteral("\U0001F3C6"),
               QStringLiteral("You won!"), QColor(0xC6, 0x28, 0x28));
    drawResult(path(dir, Lose), QColor(0xF3, 0xE5, 0xF5), QColor(0xBA, 0x9C, 0xE0), QStringLiteral("\U0001F648"),
               QStringLiteral("Try again!"), QColor(0x4A, 0x14, 0x8C));

    const QSize big(100, 75);
    drawButtons(dir, {
        {BtnStart, BtnStart2, big, QColor(0x43, 0xA0, 0x47), QStringLiteral("Start"), Icon::Play, 26, 21, ButtonPanel},
        {BtnReset, BtnReset2, big, QColor(0xFB, 0x8C, 0x00), QStringLiteral("Reset"), Icon::Restart, 28, 21, ButtonPanel},
        {BtnOption, BtnOption2, big, QColor(0x8E, 0x24, 0xAA), QStringLiteral("Option"), Icon::Gear, 30, 21, ButtonPanel},
        {BtnExit, BtnExit2, big, QColor(0xE5, 0x39, 0x35), QStringLiteral("Exit"), Icon::Door, 30, 21, ButtonPanel},
        {BtnOK, BtnOK2, QSize(70, 70), QColor(0x1E, 0x88, 0xE5), QStringLiteral("OK"), Icon::Check, 24, 22, ButtonPanel},
        {BtnClear, BtnClear2, QSize(70, 50), QColor(0x00, 0xAC, 0xC1), QStringLiteral("Clear"), Icon::Sponge, 17, 15, ButtonPanel},
        // Beside the picture's frame: no caption, the children cannot read it.
        {BtnSpeaker, BtnSpeaker2, QSize(64, 64), QColor(0xF4, 0x51, 0x1E), QString(), Icon::Speaker, 34, 0, SpeakerSky},
    });
}

void drawWelcome(const QString &dir)
{
    using namespace lettora::paths;
    const QSize size(100, 50);
    // The welcome buttons carry an icon and a word side by side.
    for (const auto &[normal, pressed, colour, icon, word] :
         {std::tuple{BtnPlay, BtnPlay2, QColor(0x43, 0xA0, 0x47), Icon::Play, QStringLiteral("Play")},
          std::tuple{BtnHowTo, BtnHowTo2, QColor(0x1E, 0x88, 0xE5), Icon::Restart, QStringLiteral("How to")}}) {
        for (bool down : {false, true}) {
            ButtonLook look{normal, pressed, size, colour, QString(), icon, 0, 0, Qt::white};
            QImage image = button(look, down);
            const qreal y = 2 + (down ? 3 : 0) + (50 - 8) / 2.0;
            const QColor shadow = (down ? colour.darker(135) : colour).darker(170);
            if (icon == Icon::Play) {
                drawIcon(image, icon, QPointF(24, y), 18, shadow);
                drawCaption(image, word, 62, y, 19, Qt::white, shadow);
            } else {
                drawCaption(image, QStringLiteral("?"), 17, y, 22, QColor(0xFF, 0xEB, 0x3B), shadow);
                drawCaption(image, word, 57, y, 17, Qt::white, shadow);
            }
            save(image, path(dir, down ? pressed : normal));
        }
    }

    // The how-to picture.
    QImage help = welcomePanel(QRectF(4, 4, 492, 366), QRectF(0, 16, 500, 40), 28, QStringLiteral("How to play"));
    const struct { const char *emoji; const char *text; } steps[] = {
        {"\U0001F5BC\uFE0F", "Press Start: a picture appears."},
        {"\U0001F524", "Spell its name: click the letters or type them."},
        {"\u2705", "Press OK (or Enter) to check the word."},
        {"\U0001F9FD", "Clear (or Esc) empties the row."},
        {"\u2764\uFE0F", "A wrong word, or too slow, costs a heart."},
        {"\U0001F3C6", "Spell every picture to win!"},
    };
    int y = 92;
    for (const auto &step : steps) {
        drawEmoji(help, QString::fromUtf8(step.emoji), 44, y, 30);
        QPainter p(&help);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Navy);
        QFont f = letterFont(19);
        f.setBold(false);
        p.setFont(f);
        p.drawText(QRectF(74, y - 16, 410, 32), Qt::AlignVCenter | Qt::AlignLeft, QString::fromUtf8(step.text));
        y += 46;
    }
    save(help, path(dir, PanelHelp));
}

void drawOptions(const QString &dir)
{
    using namespace lettora::paths;
    // Broad diagonal stripes of green and grey with three white panels behind the groups.
    QImage back = canvas(580, 413, Qt::white);
    {
        QPainter p(&back);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const QColor stripes[] = {QColor(0x7C, 0xC5, 0x76), QColor(0xC9, 0xCE, 0xD3)};
        const qreal width = 34;
        for (int i = -20; i < 40; ++i) {
            QPainterPath band;
            const qreal x = i * width;
            band.moveTo(x, 0);
            band.lineTo(x + width, 0);
            band.lineTo(x + width - 413, 413);
            band.lineTo(x - 413, 413);
            band.closeSubpath();
            p.setBrush(stripes[(i + 100) % 2]);
            p.drawPath(band);
        }
        p.setBrush(Qt::white);
        p.setPen(QPen(QColor(0x5B, 0x9B, 0x55), 2));
        for (const QRectF &panel : {QRectF(10, 10, 273, 294), QRectF(291, 9, 273, 295), QRectF(13, 301, 270, 97)})
            p.drawRoundedRect(panel, 12, 12);
    }
    save(back, path(dir, OptionBackground));

    auto icon = [&](const char *file, auto draw) {
        QImage image(16 * artScale(), 16 * artScale(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(artScale());
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.end();
        save(image, path(dir, file));
    };
    icon(AddIcon, [](QPainter &p) {
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.5, 12.5);
        tick.lineTo(13.5, 3.5);
        p.setPen(QPen(QColor(0xD3, 0x2F, 0x2F), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
    });
    icon(RemoveIcon, [](QPainter &p) {
        p.translate(8, 8);
        p.rotate(-35);
        p.setPen(QPen(QColor(0x60, 0x40, 0x20), 0.8));
        p.setBrush(QColor(0xE5, 0x39, 0x35));
        p.drawRoundedRect(QRectF(-7, -3.5, 7, 7), 1.5, 1.5);
        p.setBrush(QColor(0xFF, 0xD5, 0x4F));
        p.drawRoundedRect(QRectF(0, -3.5, 7, 7), 1.5, 1.5);
    });
    icon(ClearIcon, [](QPainter &p) {
        p.setPen(QPen(QColor(0x37, 0x47, 0x4F), 1));
        p.setBrush(QColor(0x90, 0xA4, 0xAE));
        p.drawRect(QRectF(3.5, 4.5, 9, 10));
        p.drawRect(QRectF(2.5, 2.5, 11, 2));
        p.drawRect(QRectF(6.5, 1, 3, 1.5));
        for (qreal x : {6.0, 8.0, 10.0})
            p.drawLine(QPointF(x, 6.5), QPointF(x, 13));
    });
}

void drawWelcomeDecor(const QString &dir)
{
    using namespace lettora::paths;
    // The introduction: a rounded pale-blue panel; the small game view covers its lower middle.
    QImage intro = welcomePanel(QRectF(4, 4, 480, 366), QRectF(20, 18, 450, 44), 30, QStringLiteral("Hello! Let's spell!"));
    {
        QPainter p(&intro);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Navy);
        QFont body = letterFont(18);
        body.setBold(false);
        p.setFont(body);
        p.drawText(QRectF(34, 68, 420, 124), Qt::AlignLeft | Qt::TextWordWrap,
                   QStringLiteral("A picture comes. Spell its name with the big letters, then press OK. "
                                  "A right word brings the next picture. Three hearts, and a little time "
                                  "for each picture."));
        p.setFont(letterFont(20));
        p.drawText(QRectF(244, 214, 230, 120), Qt::AlignCenter | Qt::TextWordWrap,
                   QStringLiteral("Press Play to start,\nor How to for help."));
    }
    drawEmoji(intro, QStringLiteral("\U0001F31F"), 56, 250, 40);
    drawEmoji(intro, QStringLiteral("\U0001F388"), 60, 320, 40);
    save(intro, path(dir, WelcomeIntro));

    // Three letter bubbles.
    QImage bubbles = canvas(100, 200, Qt::white);
    const struct { QPointF centre; qreal radius; QColor colour; const char *letter; } drops[] = {
        {{38, 40}, 30, LetterColours[0], "A"}, {{64, 104}, 28, LetterColours[3], "b"}, {{40, 164}, 29, LetterColours[2], "C"}};
    for (const auto &d : drops) {
        {
            QPainter p(&bubbles);
            p.setRenderHint(QPainter::Antialiasing);
            QRadialGradient g(d.centre - QPointF(d.radius / 3, d.radius / 3), d.radius * 1.3);
            g.setColorAt(0, d.colour.lighter(170));
            g.setColorAt(1, d.colour);
            p.setPen(QPen(d.colour.darker(130), 2));
            p.setBrush(g);
            p.drawEllipse(d.centre, d.radius, d.radius);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 150));
            p.drawEllipse(d.centre - QPointF(d.radius * 0.45, d.radius * 0.5), d.radius * 0.22, d.radius * 0.14);
        }
        drawCaption(bubbles, QLatin1String(d.letter), d.centre.x(), d.centre.y(), d.radius * 1.1, Qt::white, d.colour.darker(150));
    }
    save(bubbles, path(dir, WelcomeBubbles));
}

void drawIcons(const QString &iconFolder)
{
    // The application icon at the usual sizes: a sunny tile with a big red A and a blue b.
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        {
            QPainter p(&icon);
            p.setRenderHint(QPainter::Antialiasing);
            const qreal m = size / 16.0;
            QLinearGradient g(0, 0, 0, size);
            g.setColorAt(0, QColor(0xFF, 0xE0, 0x82));
            g.setColorAt(1, QColor(0xFF, 0xB3, 0x00));
            p.setPen(QPen(QColor(0xE6, 0x51, 0x00), std::max(1.0, m * 0.6)));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(m * 0.5, m * 0.5, size - m, size - m), m * 3.2, m * 3.2);
            auto letter = [&](const QString &text, qreal px, QPointF centre, QColor colour) {
                QPainterPath path = textPath(text, px);
                path.translate(centre - path.boundingRect().center());
                p.setPen(QPen(Qt::white, std::max(1.0, px / 9), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.setBrush(Qt::NoBrush);
                p.drawPath(path);
                p.setPen(Qt::NoPen);
                p.setBrush(colour);
                p.drawPath(path);
            };
            if (size < 32) {
                letter(QStringLiteral("A"), size * 0.8, QPointF(size / 2.0, size / 2.0), LetterColours[0]);
            } else {
                letter(QStringLiteral("A"), size * 0.62, QPointF(size * 0.38, size * 0.42), LetterColours[0]);
                letter(QStringLiteral("b"), size * 0.5, QPointF(size * 0.7, size * 0.66), LetterColours[3]);
            }
        }
        const QString folder = iconFolder + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
        QDir().mkpath(folder);
        save(icon, folder + QStringLiteral("/org.lettora.Lettora.png"));
    }
}

} // namespace art
