// The help window and the generated parts of the manual.
#include "app/help_window.h"

#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>

#include "app/command_table.h"
#include "script/script_table.h"

// The manual's resources live in a static library: they are registered on
// first use.
static void InitManualResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(manual);
        return true;
    }();
    (void)done;
}

namespace ob {

namespace {

QString PlainMenuText(const char* text) {
    QString t = QString::fromUtf8(text);
    t.remove(QRegularExpression("&(?!&)"));
    return t;
}

// The groups whose commands a menu page lists (submenus with their parent).
struct MenuPage {
    const char* id;
    const char* title;
    std::vector<CommandGroup> groups;
};
const std::vector<MenuPage>& MenuPages() {
    using G = CommandGroup;
    static const std::vector<MenuPage> pages = {
        {"file", "File", {G::File}},
        {"edit", "Edit", {G::Edit}},
        {"view", "View", {G::View, G::HorizontalUnits, G::VerticalUnits, G::Mode}},
        {"setup", "Setup", {G::Setup, G::Format, G::Sampler}},
        {"functions", "Functions", {G::Functions}},
        {"effects", "Effects", {G::Effects}},
        {"loops_markers", "Loops+Markers", {G::LoopsMarkers}},
        {"window", "Window", {G::Window}},
        {"help", "Help", {G::Help}},
    };
    return pages;
}

QString CommandList(const MenuPage& page) {
    QString text = "\n\n## Commands of this menu\n\n| Command | Keys | Number |\n|---|---|---|\n";
    for (CommandGroup group : page.groups)
        for (const Command& c : CommandTable()) {
            if (c.group != group) continue;
            QString name = PlainMenuText(c.text);
            if (group != page.groups.front())
                name = PlainMenuText(GroupMenuTitle(group)) + " > " + name;
            if (!c.handler && c.missing) name += " *(" + QString(c.missing) + ")*";
            text += QString("| %1 | %2 | %3 |\n")
                        .arg(name, QString(c.shortcut).replace(';', ", "))
                        .arg(c.id);
        }
    return text;
}

QString Bundled(const QString& id) {
    InitManualResources();
    QFile file(":/manual/" + id + ".md");
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

}  // namespace

QList<HelpPage> HelpPages() {
    QList<HelpPage> pages = {{"index", "Contents"}};
    for (const MenuPage& m : MenuPages())
        pages.append(HelpPage{m.id, QString("%1 menu").arg(m.title)});
    pages.append(HelpPage{"macros", "Macro language"});
    pages.append(HelpPage{"macro_editor", "Macro editor"});
    pages.append(HelpPage{"sampler", "Sampler transfer"});
    pages.append(HelpPage{"reference", "Script function reference"});
    pages.append(HelpPage{"faqs", "FAQs"});
    pages.append(HelpPage{"howtos", "How To's"});
    return pages;
}

QString HelpPageOfMenu(const QString& menuTitle) {
    for (const MenuPage& m : MenuPages())
        if (menuTitle == m.title) return m.id;
    return QString();
}

QString ScriptReferenceMarkdown() {
    QString text = Bundled("reference");
    static const char* const kBlocks[kDeclarationBlockCount] = {
        "Settings and editors",
        "Editing and files",
        "Level and simple functions",
        "Equalization and effects",
        "Sampler and playback",
        "Effects and synthesis",
        "Additions: Redo and the Vari-Time filter"};
    text += QString(
                "\n\n## Functions\n\n%1 functions; every one returns a value, which a "
                "statement call drops.\n")
                .arg(kScriptFunctionCount);
    for (int block = 1; block <= kDeclarationBlockCount; ++block) {
        text += QString("\n### %1\n\n| Function | Arguments | Result |\n|---|---|---|\n")
                    .arg(kBlocks[block - 1]);
        for (size_t i = 0; i < kScriptFunctionCount; ++i) {
            const ScriptFunction& f = kScriptFunctions[i];
            if (f.block != block) continue;
            text += QString("| `%1` | `%2` | %3 |\n")
                        .arg(f.name, *f.arguments ? f.arguments : "(none)", f.result);
        }
    }
    text += "\n## Constants\n\n| Constant | Value |\n|---|---|\n";
    for (int block = 1; block <= kConstantBlockCount; ++block) {
        const QStringList lines = QString(ConstantBlock(block)).split('\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            // "Const NAME\t= value"
            QString rest = line.mid(6);
            int eq = rest.indexOf('=');
            if (eq < 0) continue;
            text +=
                QString("| `%1` | %2 |\n").arg(rest.left(eq).trimmed(), rest.mid(eq + 1).trimmed());
        }
    }
    return text;
}

QString HelpPageMarkdown(const QString& id) {
    if (id == "reference") return ScriptReferenceMarkdown();
    QString text = Bundled(id);
    if (text.isEmpty()) return text;
    for (const MenuPage& m : MenuPages())
        if (id == m.id) text += CommandList(m);
    return text;
}

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName("helpWindow");
    setWindowTitle("Sample Orbick Help");
    auto* splitter = new QSplitter;
    contents_ = new QListWidget;
    contents_->setObjectName("helpContents");
    for (const HelpPage& page : HelpPages()) {
        auto* item = new QListWidgetItem(page.title, contents_);
        item->setData(Qt::UserRole, page.id);
    }
    browser_ = new QTextBrowser;
    browser_->setObjectName("helpPage");
    browser_->setOpenLinks(false);
    splitter->addWidget(contents_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 640});
    setCentralWidget(splitter);
    connect(contents_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item) ShowPage(item->data(Qt::UserRole).toString());
    });
    // Links between pages name the page file ("setup.md"); others open outside.
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        QString target = url.toString();
        if (target.endsWith(".md")) ShowPage(target.chopped(3));
    });
    resize(860, 600);
    ShowPage("index");
}

void HelpWindow::ShowPage(const QString& id) {
    QString text = HelpPageMarkdown(id);
    if (text.isEmpty()) return;
    current_ = id;
    browser_->setMarkdown(text);
    for (int i = 0; i < contents_->count(); ++i)
        if (contents_->item(i)->data(Qt::UserRole).toString() == id &&
            contents_->currentRow() != i) {
            QSignalBlocker block(contents_);
            contents_->setCurrentRow(i);
        }
}

HelpWindow* ShowHelpWindow(QWidget* parent, const QString& page) {
    // Never destroyed: it may outlive the application object.
    static auto* pointer = new QPointer<HelpWindow>;
    QPointer<HelpWindow>& window = *pointer;
    if (!window) {
        window = new HelpWindow(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->ShowPage(page);
    window->show();
    window->raise();
    return window;
}

}  // namespace ob
