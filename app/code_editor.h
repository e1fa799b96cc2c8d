// The text pane of the macro editor: a plain text editor with line numbers
// in a gutter, breakpoint marks (a click in the gutter toggles one) and the
// line where a paused macro stands.
#pragma once

#include <QPlainTextEdit>
#include <QSet>

namespace ob {

class CodeEditor : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit CodeEditor(QWidget* parent = nullptr);

    int GutterWidth() const;
    void PaintGutter(QPaintEvent* event);
    // Breakpoint marks by line (from 1).
    void SetBreakpointMark(int line, bool set);
    const QSet<int>& BreakpointMarks() const { return marks_; }
    // The paused line (from 1), 0 for none.
    void SetCurrentLine(int line);
    int CurrentLine() const { return current_; }
    // Puts the cursor on a line (from 1) and column (from 0).
    void GoTo(int line, int column);
    // The line (from 1) of a gutter position.
    int LineAt(int y) const;

  signals:
    void gutterClicked(int line);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void UpdateGutterWidth();
    void UpdateGutter(const QRect& rect, int dy);
    void Highlight();

    QWidget* gutter_;
    QSet<int> marks_;
    int current_ = 0;
};

}  // namespace ob
