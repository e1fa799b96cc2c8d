// Assign, save, load, record and run macros.
#include "app/macro_commands.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/macro_editor.h"
#include "app/main_frame.h"
#include "base/dialog_guard.h"
#include "script/macro_keys.h"
#include "script/recorder.h"
#include "script/run_macro.h"
#include "script/settings_store.h"
#include "wave/record_report.h"

namespace ob {

namespace {
const QStringList kMacroFilters = {"Orbick Macros (*.bas)", "All Files (*.*)"};

QString KeyName(int slot) {
    return QString("F%1").arg(slot + 2);
}

// A file dialog of our own (not the platform's) so that tests can drive it.
QString AskFile(QWidget* parent, const QString& title, const QStringList& filters, bool save,
                const QString& start, const char* name) {
    QFileDialog dialog(parent, title, start);
    dialog.setObjectName(name);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

QString MacrosFolder(MainFrame* frame) {
    if (!gShellSettings.macrosFolder.empty())
        return QString::fromStdString(gShellSettings.macrosFolder);
    return frame ? frame->SettingsFolder() : QString();
}
}  // namespace

AssignMacrosDialog::AssignMacrosDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("assignMacrosDialog");
    setWindowTitle("Assign Macros");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int slot = 0; slot < kMacroKeyCount; ++slot) {
        auto* label = new QLabel(KeyName(slot) + ":");
        fields_[slot] = new QLineEdit(QString::fromStdString(gMacroKeys[slot]));
        fields_[slot]->setObjectName("macroKey" + KeyName(slot));
        fields_[slot]->setMinimumWidth(360);
        label->setBuddy(fields_[slot]);
        auto* browse = new QPushButton("Browse " + KeyName(slot));
        browse->setObjectName("browse" + KeyName(slot));
        connect(browse, &QPushButton::clicked, this, [this, slot] { Browse(slot); });
        grid->addWidget(label, slot, 0);
        grid->addWidget(fields_[slot], slot, 1);
        grid->addWidget(browse, slot, 2);
    }
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void AssignMacrosDialog::Browse(int slot) {
    QString path = AskFile(this, "Assign Macro:", kMacroFilters, false, fields_[slot]->text(),
                           "assignMacroFile");
    if (!path.isEmpty()) fields_[slot]->setText(path);
}

void AssignMacrosDialog::accept() {
    // Every path must fit the key record; the dialog stays open otherwise.
    for (int slot = 0; slot < kMacroKeyCount; ++slot)
        if (fields_[slot]->text().toStdString().size() > kMacroPathMax) {
            QMessageBox::warning(this, "Assign Macros",
                                 QString("The path of %1 is longer than %2 characters.")
                                     .arg(KeyName(slot))
                                     .arg(kMacroPathMax));
            fields_[slot]->setFocus();
            return;
        }
    for (int slot = 0; slot < kMacroKeyCount; ++slot)
        SetMacroKey(slot, fields_[slot]->text().trimmed().toStdString());
    QDialog::accept();
}

void RunAssignMacrosDialog(QWidget* parent) {
    OpenProcessDialog(nullptr, kDialogAssignMacros, [&] {
        AssignMacrosDialog dialog(parent);
        dialog.exec();
    });
}

void SaveMacrosWithDialog(MainFrame* frame) {
    QString path = AskFile(frame, "Save File As:", {"All Files (*.*)"}, true, MacrosFolder(frame),
                           "saveMacros");
    if (!path.isEmpty()) SaveMacrosCommand(path.toStdString());
}

void LoadMacrosWithDialog(MainFrame* frame) {
    QString path =
        AskFile(frame, "Open File:", {"All Files (*.*)"}, false, MacrosFolder(frame), "loadMacros");
    if (!path.isEmpty()) LoadMacrosCommand(path.toStdString());
}

bool AskRecordMacroFile(QWidget* parent, QString& path, int& autoAssign) {
    QFileDialog dialog(
        parent, "Record Macro File As:", QString::fromStdString(gShellSettings.macrosFolder));
    dialog.setObjectName("recordMacroDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(kMacroFilters);
    dialog.setDefaultSuffix("bas");
    // The extra group below the file list: which key gets the new macro.
    auto* group = new QGroupBox("Auto-Assign");
    auto* row = new QHBoxLayout(group);
    auto* keys = new QComboBox;
    keys->setObjectName("autoAssign");
    keys->addItem("None");
    for (int slot = 0; slot < kMacroKeyCount; ++slot) keys->addItem(KeyName(slot));
    row->addWidget(keys);
    row->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(group, grid->rowCount(), 0, 1, grid->columnCount());
    else
        dialog.layout()->addWidget(group);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().first();
    autoAssign = keys->currentIndex() - 1;
    return true;
}

void RefreshRecorderText(MainFrame* frame) {
    if (QAction* action = frame ? frame->ActionFor(40117) : nullptr)
        action->setText(RecorderRunning() ? kStopRecordingText : kRecordMacroText);
}

void ToggleMacroRecorder(MainFrame* frame) {
    if (RecorderRunning()) {
        std::string path = RecorderPath();
        StopRecorder();
        RefreshRecorderText(frame);
        // The recording opens in the macro editor.
        ShowMacroEditor(frame, QString::fromStdString(path));
        return;
    }
    QString path;
    int autoAssign = -1;
    if (!AskRecordMacroFile(frame, path, autoAssign)) return;
    StartRecorder(path.toStdString(), autoAssign);
    RefreshRecorderText(frame);
}

void RunMacroWithDialog(MainFrame* frame) {
    QString path =
        AskFile(frame, "Run Macro:", kMacroFilters, false, MacrosFolder(frame), "runMacroDialog");
    if (path.isEmpty()) return;
    frame->SetStatusText(QString("Running macro: %1").arg(path));
    RunMacroFile(frame, path.toStdString());
    frame->SetStatusText("Ready");
}

}  // namespace ob
