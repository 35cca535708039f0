#pragma once

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace lettora {

class VoicePage;
class ScreenPage;
class ProgressPage;

// The parents' corner: the settings that go beyond the options dialog, one page each.
class ParentsCorner : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char *Caption = "Parents' corner";
    static constexpr QSize Size{540, 460};

    explicit ParentsCorner(QWidget *parent = nullptr);

    QTabWidget *pages = nullptr;
    VoicePage *voicePage = nullptr;
    ScreenPage *screenPage = nullptr;
    ProgressPage *progressPage = nullptr;
    QPushButton *closeButton = nullptr;

private:
    template<typename Page>
    Page *addPage(Page *page, const char *title);
};

// The grown-ups' question, modal above `over`, with `explanation` above it: true on the right answer,
// false on Cancel, Escape or its close box.
bool grownUpAnswers(QWidget *over, const char *explanation);

// The "Parents..." button's action: the grown-ups' question, then, on the right answer, the
// parents' corner, both modal above `over`.
void openParentsCorner(QWidget *over);

} // namespace lettora
