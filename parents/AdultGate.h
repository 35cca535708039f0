#pragma once

#include <QDialog>
#include <QRandomGenerator>

class QLabel;
class QLineEdit;
class QPushButton;

namespace lettora {

// The question at the parents' door: the sum of two two-digit numbers, which a grown-up answers
// at once and a small child cannot.
class AdultQuestion
{
public:
    static constexpr int Lowest = 10;
    static constexpr int Highest = 99;

    explicit AdultQuestion(quint32 seed = QRandomGenerator::global()->generate());

    // A new sum, never the one just asked.
    void next();
    int left() const { return m_left; }
    int right() const { return m_right; }
    QString text() const;  // "What is 47 + 38?"
    // Whether the typed answer is the sum (blanks around it are allowed).
    bool isAnswer(const QString &typed) const;

private:
    QRandomGenerator m_random;
    int m_left = 0;
    int m_right = 0;
};

// The small modal box that asks the question. It closes accepted only on the right answer; a wrong
// answer says so and asks a new sum; Cancel (or Escape) closes it without opening anything.
class AdultGate : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char *Caption = "For grown-ups";
    static constexpr const char *WrongAnswer = "That is not right. Here is a new one:";
    // What the answer opens, said above the question.
    static constexpr const char *ToOpenTheCorner = "Please answer this to open the parents' corner.";
    static constexpr const char *ToLeaveTheGame = "Please answer this to leave the game.";
    static constexpr const char *ToOpenTheOptions = "Please answer this to open the options.";

    explicit AdultGate(QWidget *parent = nullptr, quint32 seed = QRandomGenerator::global()->generate(),
                       const char *explanation = ToOpenTheCorner);

    const AdultQuestion &question() const { return m_question; }
    QLabel *questionLabel = nullptr;
    QLabel *hintLabel = nullptr;
    QLineEdit *answerField = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;

private:
    void check();

    AdultQuestion m_question;
};

} // namespace lettora
