#include "parents/AdultGate.h"

#include "shell/WindowLook.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lettora {

namespace {
constexpr const char *QuestionText = "What is %1 + %2?";
} // namespace

AdultQuestion::AdultQuestion(quint32 seed) : m_random(seed)
{
    next();
}

void AdultQuestion::next()
{
    const int oldLeft = m_left;
    const int oldRight = m_right;
    do {
        m_left = m_random.bounded(Lowest, Highest + 1);
        m_right = m_random.bounded(Lowest, Highest + 1);
    } while (m_left == oldLeft && m_right == oldRight);
}

QString AdultQuestion::text() const
{
    return QString::fromLatin1(QuestionText).arg(m_left).arg(m_right);
}

bool AdultQuestion::isAnswer(const QString &typed) const
{
    bool ok = false;
    const int value = typed.trimmed().toInt(&ok);
    return ok && value == m_left + m_right;
}

AdultGate::AdultGate(QWidget *parent, quint32 seed, const char *explanation)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_question(seed)
{
    setObjectName(QStringLiteral("AdultGate"));
    setWindowTitle(QLatin1String(Caption));
    setModal(true);
    useWhiteBackground(this);
    setFont(layoutFont());

    auto *explanationLabel = new QLabel(QLatin1String(explanation), this);
    explanationLabel->setObjectName(QStringLiteral("explanation"));
    // The line that says a wrong answer keeps its room, so the box never changes size.
    hintLabel = new QLabel(QLatin1String(WrongAnswer), this);
    hintLabel->setObjectName(QStringLiteral("hintLabel"));
    hintLabel->setMinimumHeight(hintLabel->sizeHint().height());
    hintLabel->clear();
    questionLabel = new QLabel(m_question.text(), this);
    questionLabel->setObjectName(QStringLiteral("questionLabel"));
    QFont big = layoutFont();
    big.setPixelSize(16);
    big.setBold(true);
    questionLabel->setFont(big);
    answerField = new QLineEdit(this);
    answerField->setObjectName(QStringLiteral("answerField"));
    answerField->setValidator(new QIntValidator(0, 999, answerField));
    answerField->setMaxLength(3);
    answerField->setFixedWidth(60);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    connect(okButton, &QPushButton::clicked, this, &AdultGate::check);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(questionLabel);
    row->addWidget(answerField);
    row->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanationLabel);
    layout->addWidget(hintLabel);
    layout->addLayout(row);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
    answerField->setFocus();
}

void AdultGate::check()
{
    if (answerField->text().trimmed().isEmpty())
        return;  // nothing typed yet
    if (m_question.isAnswer(answerField->text())) {
        accept();
        return;
    }
    m_question.next();
    questionLabel->setText(m_question.text());
    hintLabel->setText(QLatin1String(WrongAnswer));
    answerField->clear();
    answerField->setFocus();
}

} // namespace lettora
