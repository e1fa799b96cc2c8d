// Help: the tip of the day, the help pages (Contents, FAQs, How To's) and
// About.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

namespace ob {

// Tips about this program, shown in turn; the next index is kept in the
// settings (TipN).
int TipCount();
const char* TipText(int index);

class TipOfTheDayDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TipOfTheDayDialog(QWidget* parent = nullptr);
    void NextTip();

  private:
    QLabel* text_;
    QCheckBox* atStartup_;
};

enum class HelpTopic { Contents, Faqs, HowTos };
void ShowHelp(QWidget* parent, HelpTopic topic);
void ShowAbout(QWidget* parent);

}  // namespace ob
