// The help window: the program's manual, bundled as resources (one page per
// menu, the macro language, FAQs and How To's), the commands of each menu
// from the command table, and the script function reference generated from
// the script function table, so it always lists what this build offers.
#pragma once

#include <QMainWindow>
#include <QStringList>

class QListWidget;
class QTextBrowser;

namespace ob {

// One page of the manual.
struct HelpPage {
    QString id;     // "file", "macros", "reference", ...
    QString title;  // shown in the contents list
};

// Every page in contents order.
QList<HelpPage> HelpPages();
// The page text as Markdown (the bundled text, with generated parts); empty
// for an unknown id.
QString HelpPageMarkdown(const QString& id);
// The script function reference (every function with its arguments and
// result type, and every constant with its value) as Markdown.
QString ScriptReferenceMarkdown();
// The page of a menu by its title without mnemonic ("File", "Loops+Markers").
QString HelpPageOfMenu(const QString& menuTitle);

class HelpWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void ShowPage(const QString& id);
    QString CurrentPage() const { return current_; }
    QTextBrowser* Browser() const { return browser_; }
    QListWidget* Contents() const { return contents_; }

  private:
    QListWidget* contents_;
    QTextBrowser* browser_;
    QString current_;
};

// The one help window, made on first use, showing the page.
HelpWindow* ShowHelpWindow(QWidget* parent, const QString& page);

}  // namespace ob
