// The dialogs of opening and saving sounds.
#include "app/sound_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QSet>

#include "app/main_frame.h"
#include "base/user_interface.h"
#include "formats/format_table.h"
#include "formats/sound_io.h"

namespace ob {

namespace {
QString Filter(const char* name, const char* extension) {
    return QString("%1 (*%2)").arg(name, extension);
}
}  // namespace

bool QtSoundIoUi::AskYesNo(const std::string& caption, const std::string& text,
                           bool defaultAnswer) {
    QuestionAnswer answer =
        UI().Ask(parent_, caption, text, kButtonsYesNo, defaultAnswer ? kAnswerYes : kAnswerNo);
    return answer == kAnswerYes;
}

bool QtSoundIoUi::ChooseRawFormat(const std::string& path, int& code) {
    QStringList names;
    int current = 0;
    std::vector<int> codes;
    for (int c = kFormatRaw8s; c <= kFormatRawUlaw; ++c) {
        if (c == code) current = int(codes.size());
        codes.push_back(c);
        names << FormatName(c);
    }
    QInputDialog dialog(parent_);
    dialog.setObjectName(kRawDialogName);
    dialog.setWindowTitle("File Not Recognized: Open As Raw");
    dialog.setLabelText(QString::fromStdString(path));
    dialog.setComboBoxItems(names);
    dialog.setTextValue(names[current]);
    if (dialog.exec() != QDialog::Accepted) return false;
    int index = names.indexOf(dialog.textValue());
    if (index < 0) return false;
    code = codes[size_t(index)];
    return true;
}

bool QtSoundIoUi::ChooseSavePath(const std::string& caption, std::string& path, int& code) {
    std::vector<int> codes;
    QStringList filters = SaveFileFilters(&codes);
    QFileDialog dialog(parent_, QString::fromStdString(caption));
    dialog.setObjectName(kSaveAsDialogName);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == code) dialog.selectNameFilter(filters[int(i)]);
    if (!path.empty()) dialog.selectFile(QString::fromStdString(path));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    int index = filters.indexOf(dialog.selectedNameFilter());
    if (index >= 0) code = codes[size_t(index)];
    path = PathWithFormatExtension(dialog.selectedFiles().first().toStdString(), code);
    return true;
}

void QtSoundIoUi::Status(const std::string& text) {
    if (MainFrame* frame = MainFrame::Instance())
        frame->SetStatusText(text.empty() ? QString("Ready") : QString::fromStdString(text));
}

QStringList OpenFileFilters() {
    QStringList all;
    QStringList each;
    QSet<QString> seen;
    for (const FormatEntry& entry : FormatTable()) {
        if (!entry.read || !*entry.extension) continue;
        QString pattern = QString("*") + entry.extension;
        if (seen.contains(pattern)) continue;
        seen.insert(pattern);
        all << pattern;
        each << Filter(entry.name, entry.extension);
    }
    QStringList filters;
    filters << QString("Sound Files (%1)").arg(all.join(' '));
    filters << each;
    filters << "All Files (*)";
    return filters;
}

QStringList SaveFileFilters(std::vector<int>* codes) {
    QStringList filters;
    for (int code : SaveFormatList()) {
        const FormatEntry* entry = FindFormat(code);
        if (!entry || !entry->write) continue;
        filters << Filter(entry->name, *entry->extension ? entry->extension : "");
        if (codes) codes->push_back(code);
    }
    return filters;
}

}  // namespace ob
