// Syntax colouring of Basic macro text: keywords, comments (' and Rem),
// string literals, numbers, the script functions (ob...) and constants (OB_...).
#pragma once

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace ob {

class BasicHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    explicit BasicHighlighter(QTextDocument* document);

    // The kind of text at a position of a line, for tests: "keyword",
    // "comment", "string", "number", "function", "constant" or "".
    static QString KindAt(const QString& line, int position);

  protected:
    void highlightBlock(const QString& text) override;

  private:
    QTextCharFormat keyword_, comment_, string_, number_, function_, constant_;
};

}  // namespace ob
