// View Options and Set Font: the display options, the units of the rulers
// and the font of the editor views. The font is kept in the settings store
// (orbick.ini, key View/Font) and applied to every editor view.
#pragma once

#include <QDialog>
#include <QFont>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;

namespace ob {

class MainFrame;
class EditorWindow;

// The "View Options" dialog of an editor.
class ViewOptionsDialog : public QDialog {
    Q_OBJECT
  public:
    ViewOptionsDialog(MainFrame* frame, EditorWindow* editor);
    QCheckBox* Option(int index) const { return options_[index]; }
    QComboBox* TimeUnit() const { return timeUnit_; }
    QComboBox* LevelUnit() const { return levelUnit_; }
    QCheckBox* ForNewEditors() const { return forNew_; }
    void SetChosenFont(const QFont& font);
    void accept() override;

  private:
    MainFrame* frame_;
    EditorWindow* editor_;
    QCheckBox* options_[5];
    QComboBox* timeUnit_;
    QComboBox* levelUnit_;
    QCheckBox* forNew_;
    QLabel* fontName_;
    QFont font_;
};

// The display option bits in the dialog's order: Box Outline, Color Point,
// Overview, X-Y Readout, Edit Status.
extern const uint32_t kViewOptionBits[5];

void RunViewOptionsDialog(MainFrame* frame, EditorWindow* editor);
void RunSetFontDialog(MainFrame* frame);
// The font of the editor views.
QFont ViewFont(MainFrame* frame);
// Applies the font to every editor view (and to those made later) and keeps it.
void SetViewFont(MainFrame* frame, const QFont& font);
// Applies the kept font, if any (at start-up).
void ApplyStoredViewFont(MainFrame* frame);

}  // namespace ob
