// Line numbers, breakpoint marks and the current line of the macro editor.
#include "app/code_editor.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>

namespace ob {

namespace {
class Gutter : public QWidget {
  public:
    explicit Gutter(CodeEditor* editor) : QWidget(editor), editor_(editor) {
        setObjectName("lineNumbers");
    }
    QSize sizeHint() const override { return QSize(editor_->GutterWidth(), 0); }

  protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event); }
    void mousePressEvent(QMouseEvent* event) override {
        int line = editor_->LineAt(int(event->position().y()));
        if (line > 0) emit editor_->gutterClicked(line);
    }

  private:
    CodeEditor* editor_;
};
}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("macroText");
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabStopDistance(fontMetrics().horizontalAdvance(' ') * 4);
    gutter_ = new Gutter(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::UpdateGutter);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CodeEditor::Highlight);
    UpdateGutterWidth();
}

int CodeEditor::GutterWidth() const {
    int digits = QString::number(std::max(1, blockCount())).size();
    return 8 + fontMetrics().height() + fontMetrics().horizontalAdvance('9') * std::max(3, digits);
}

void CodeEditor::UpdateGutterWidth() {
    setViewportMargins(GutterWidth(), 0, 0, 0);
}

void CodeEditor::UpdateGutter(const QRect& rect, int dy) {
    if (dy)
        gutter_->scroll(0, dy);
    else
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
    if (rect.contains(viewport()->rect())) UpdateGutterWidth();
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    QRect r = contentsRect();
    gutter_->setGeometry(QRect(r.left(), r.top(), GutterWidth(), r.height()));
}

int CodeEditor::LineAt(int y) const {
    QTextBlock block = firstVisibleBlock();
    int top = int(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid()) {
        int bottom = top + int(blockBoundingRect(block).height());
        if (y >= top && y < bottom) return block.blockNumber() + 1;
        top = bottom;
        block = block.next();
    }
    return 0;
}

void CodeEditor::PaintGutter(QPaintEvent* event) {
    QPainter painter(gutter_);
    painter.fillRect(event->rect(), QColor(0xee, 0xee, 0xee));
    QTextBlock block = firstVisibleBlock();
    int top = int(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int h = fontMetrics().height();
    painter.setRenderHint(QPainter::Antialiasing);
    while (block.isValid() && top <= event->rect().bottom()) {
        int bottom = top + int(blockBoundingRect(block).height());
        int line = block.blockNumber() + 1;
        if (block.isVisible() && bottom >= event->rect().top()) {
            if (marks_.contains(line)) {
                painter.setBrush(QColor(0xd3, 0x2f, 0x2f));
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(QRect(3, top + 2, h - 4, h - 4));
            }
            if (line == current_) {
                painter.setBrush(QColor(0xf9, 0xa8, 0x25));
                painter.setPen(Qt::NoPen);
                QPolygon arrow;
                arrow << QPoint(3, top + 3) << QPoint(h - 2, top + h / 2) << QPoint(3, top + h - 3);
                painter.drawPolygon(arrow);
            }
            painter.setPen(QColor(0x75, 0x75, 0x75));
            painter.drawText(0, top, gutter_->width() - 4, h, Qt::AlignRight,
                             QString::number(line));
        }
        top = bottom;
        block = block.next();
    }
}

void CodeEditor::SetBreakpointMark(int line, bool set) {
    if (set)
        marks_.insert(line);
    else
        marks_.remove(line);
    gutter_->update();
}

void CodeEditor::SetCurrentLine(int line) {
    current_ = line;
    if (line > 0) {
        QTextCursor cursor(document()->findBlockByNumber(line - 1));
        setTextCursor(cursor);
        ensureCursorVisible();
    }
    Highlight();
    gutter_->update();
}

void CodeEditor::GoTo(int line, int column) {
    QTextBlock block = document()->findBlockByNumber(std::max(0, line - 1));
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                        std::clamp(column, 0, std::max(0, block.length() - 1)));
    setTextCursor(cursor);
    ensureCursorVisible();
    setFocus();
}

void CodeEditor::Highlight() {
    QList<QTextEdit::ExtraSelection> selections;
    if (current_ > 0) {
        QTextEdit::ExtraSelection s;
        s.format.setBackground(QColor(0xff, 0xf3, 0xc4));
        s.format.setProperty(QTextFormat::FullWidthSelection, true);
        s.cursor = QTextCursor(document()->findBlockByNumber(current_ - 1));
        selections << s;
    }
    setExtraSelections(selections);
}

}  // namespace ob
