// Basic syntax colouring.
#include "app/basic_highlighter.h"

#include <QSet>

namespace ob {

namespace {
const QSet<QString>& Keywords() {
    static const QSet<QString> words = [] {
        QSet<QString> set;
        for (const char* w :
             {"and",      "as",      "byref",   "byval",  "call",     "case",     "close",
              "const",    "declare", "dim",     "do",     "double",   "each",     "else",
              "elseif",   "end",     "eqv",     "exit",   "explicit", "false",    "for",
              "function", "get",     "global",  "gosub",  "goto",     "if",       "imp",
              "in",       "input",   "integer", "is",     "lib",      "app",      "like",
              "line",     "long",    "loop",    "mod",    "next",     "not",      "object",
              "on",       "open",    "option",  "or",     "output",   "preserve", "print",
              "private",  "public",  "put",     "redim",  "rem",      "resume",   "return",
              "select",   "set",     "single",  "static", "step",     "stop",     "string",
              "sub",      "then",    "to",      "true",   "type",     "until",    "variant",
              "wend",     "while",   "with",    "xor",    "append",   "binary",   "error",
              "base",     "nothing", "new"})
            set.insert(QString::fromLatin1(w));
        return set;
    }();
    return words;
}

// One token of a line: start, length and kind; strings and comments first.
struct Token {
    int start, length;
    QString kind;
};

QList<Token> Tokens(const QString& text) {
    QList<Token> tokens;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        QChar c = text[i];
        if (c == '\'') {
            tokens.append({i, n - i, "comment"});
            break;
        }
        if (c == '"') {
            int j = i + 1;
            while (j < n && text[j] != '"') ++j;
            tokens.append({i, std::min(j + 1, n) - i, "string"});
            i = j + 1;
            continue;
        }
        if (c.isDigit() || (c == '.' && i + 1 < n && text[i + 1].isDigit()) ||
            (c == '&' && i + 1 < n && (text[i + 1] == 'H' || text[i + 1] == 'h'))) {
            int j = i + 1;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == '.')) ++j;
            tokens.append({i, j - i, "number"});
            i = j;
            continue;
        }
        if (c.isLetter() || c == '_') {
            int j = i + 1;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == '_')) ++j;
            if (j < n && QString("$%&!#").contains(text[j])) ++j;
            QString word = text.mid(i, j - i);
            QString lower = word.toLower();
            if (lower == "rem") {
                tokens.append({i, n - i, "comment"});
                break;
            }
            if (Keywords().contains(lower))
                tokens.append({i, j - i, "keyword"});
            else if (word.startsWith("OB_"))
                tokens.append({i, j - i, "constant"});
            else if (word.size() > 2 && word.startsWith("ob") && word[2].isUpper())
                tokens.append({i, j - i, "function"});
            i = j;
            continue;
        }
        ++i;
    }
    return tokens;
}
}  // namespace

BasicHighlighter::BasicHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    keyword_.setForeground(QColor(0x00, 0x33, 0xaa));
    keyword_.setFontWeight(QFont::Bold);
    comment_.setForeground(QColor(0x2e, 0x7d, 0x32));
    comment_.setFontItalic(true);
    string_.setForeground(QColor(0xa3, 0x15, 0x15));
    number_.setForeground(QColor(0x8e, 0x24, 0xaa));
    function_.setForeground(QColor(0x00, 0x79, 0x8a));
    constant_.setForeground(QColor(0x99, 0x55, 0x00));
}

QString BasicHighlighter::KindAt(const QString& line, int position) {
    for (const Token& t : Tokens(line))
        if (position >= t.start && position < t.start + t.length) return t.kind;
    return QString();
}

void BasicHighlighter::highlightBlock(const QString& text) {
    for (const Token& t : Tokens(text)) {
        const QTextCharFormat& format = t.kind == "keyword"    ? keyword_
                                        : t.kind == "comment"  ? comment_
                                        : t.kind == "string"   ? string_
                                        : t.kind == "number"   ? number_
                                        : t.kind == "function" ? function_
                                                               : constant_;
        setFormat(t.start, t.length, format);
    }
}

}  // namespace ob
