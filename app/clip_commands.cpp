// Multi-Clips and the system clipboard in the shell.
#include "app/clip_commands.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/sound_dialogs.h"
#include "audio/player.h"
#include "base/user_interface.h"
#include "dsp/clip_edit.h"
#include "dsp/length_edit.h"
#include "dsp/operation.h"
#include "formats/clip_files.h"
#include "script/recorder.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"

namespace ob {

namespace {

const char* const kWavMime = "audio/wav";
const char* const kWavMimeOld = "audio/x-wav";

WaveRecord* RecordOf(const CommandContext& c) {
    return c.editor ? c.editor->Record() : nullptr;
}

bool QtEmergencySave(WaveRecord& rightChannel) {
    QtSoundIoUi ui(QApplication::activeWindow());
    return EmergencySaveRightChannel(rightChannel, &ui);
}

// Where the "Mouse" choice of the Paste and Replace dialogs puts the clip:
// after the last frame of the Mouse area (a click makes an area of one frame).
uint32_t FrameAfterMouse(WaveRecord& record) {
    FrameRange area{0, 1};
    if (record.mouseChannels) area = FrameRange{record.mouseStart, record.mouseLength};
    uint64_t frame = uint64_t(area.start) + (area.length ? area.length : 1);
    return frame > record.frameCount ? record.frameCount : uint32_t(frame);
}

// The position dialog of Paste and Replace: a marker number or "Mouse".
bool AskClipPosition(QWidget* parent, const QString& title, WaveRecord& record, uint32_t& frame) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* byMarker = new QRadioButton("&Marker:", &dialog);
    auto* marker = new QSpinBox(&dialog);
    marker->setRange(0, 255);
    auto* byMouse = new QRadioButton("M&ouse", &dialog);
    byMarker->setChecked(true);
    auto* row = new QHBoxLayout;
    row->addWidget(byMarker);
    row->addWidget(marker);
    layout->addLayout(row);
    layout->addWidget(byMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (byMouse->isChecked()) {
        frame = FrameAfterMouse(record);
        return true;
    }
    return ClipPositionOfMarker(record, marker->value(), frame);
}

// Paste and Replace share their flow.
void PlaceClip(CommandContext& c, ProcessDialog dialog, const char* title, const char* noClip,
               int (*place)(WaveRecord&, uint32_t)) {
    WaveRecord* r = RecordOf(c);
    InstallEmergencySave();
    if (!HasUsableClip(*r)) {
        ReportMessage(*r, noClip);
        return;
    }
    if (!WaveHasData(r)) {  // the clip becomes the editor's wave
        PasteClipIntoEmpty(*r, ActiveClip(*r));
        return;
    }
    OpenProcessDialog(r, dialog, [&] {
        uint32_t frame = 0;
        if (AskClipPosition(c.editor, title, *r, frame)) place(*r, frame);
    });
}

// Copies the clip's samples so playback never reads a clip erased meanwhile.
void PlayClipSamples(WaveRecord& record, const Clip* clip) {
    ClipSamples samples;
    if (!ResolveClip(clip, samples)) {
        ReportMessage(record, "No clip to play.\nUse Multi-Clips/Edit to\nselect a clip.");
        return;
    }
    auto left = std::make_shared<std::vector<float>>(samples.left, samples.left + samples.length);
    std::shared_ptr<std::vector<float>> right;
    if (samples.right)
        right = std::make_shared<std::vector<float>>(samples.right, samples.right + samples.length);
    auto position = std::make_shared<uint32_t>(0);
    int result = PlayBlocks(clip->sampleRate, right ? 2 : 1,
                            [left, right, position](float* l, float* r, uint32_t frames) {
                                uint32_t n =
                                    std::min<uint32_t>(frames, uint32_t(left->size()) - *position);
                                std::copy_n(left->data() + *position, n, l);
                                if (r && right) std::copy_n(right->data() + *position, n, r);
                                *position += n;
                                return n;
                            });
    if (result != 0) ReportMessage(record, PlayResultText(result));
}

// The new-clip dialog: "Clip Number: %d", a name, and where the clip lies.
void RunNewClipDialog(CommandContext& c, WaveRecord& r) {
    QDialog dialog(c.editor);
    dialog.setWindowTitle(QString("Clip Number: %1").arg(LowestFreeClipNumber()));
    auto* form = new QFormLayout(&dialog);
    auto* name = new QLineEdit(&dialog);
    name->setMaxLength(int(kClipDialogNameMax));
    form->addRow("&Name:", name);
    auto* byMouse = new QRadioButton("M&ouse Area", &dialog);
    auto* byMarkers = new QRadioButton("&Markers:", &dialog);
    auto* byArea = new QRadioButton("&Affect Area", &dialog);
    byArea->setChecked(true);
    auto* first = new QSpinBox(&dialog);
    auto* second = new QSpinBox(&dialog);
    first->setRange(0, 255);
    second->setRange(0, 255);
    second->setValue(1);
    auto* markers = new QHBoxLayout;
    markers->addWidget(byMarkers);
    markers->addWidget(first);
    markers->addWidget(second);
    form->addRow(byArea);
    form->addRow(byMouse);
    form->addRow(markers);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        SetActiveClip(r, nullptr);  // Cancel leaves the editor without an active clip
        return;
    }
    std::string text = name->text().toStdString();
    if (byMarkers->isChecked()) {
        DefineClipByMarkers(r, text, first->value(), second->value());
    } else if (byMouse->isChecked()) {
        FrameRange area =
            r.mouseChannels ? FrameRange{r.mouseStart, r.mouseLength} : FrameRange{0, 0};
        if (area.length == 0) {
            ReportMessage(r, "No clip area specified.");
            return;
        }
        DefineClipByFrames(r, text, area.start, area.start + area.length - 1);
    } else {
        DefineClipByArea(r, text);
    }
}

// The Edit Clip dialog: every clip, the active one preselected; its buttons
// play, erase, load and save clips.
void RunEditClipDialog(CommandContext& c, WaveRecord& r) {
    QDialog dialog(c.editor);
    dialog.setWindowTitle("Edit Clip");
    auto* layout = new QVBoxLayout(&dialog);
    auto* initial = new QLabel(QString::fromStdString(InitialActiveClipText(r)), &dialog);
    layout->addWidget(initial);
    auto* list = new QListWidget(&dialog);
    list->setObjectName("clipList");
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    list->setFont(fixed);
    layout->addWidget(list);
    auto fill = [list, &r] {
        list->clear();
        for (Clip* clip : AllClips()) {
            auto* item = new QListWidgetItem(QString::fromStdString(ClipListLine(*clip)), list);
            item->setData(Qt::UserRole, clip->number);
            if (clip == ActiveClip(r)) list->setCurrentItem(item);
        }
    };
    fill();
    auto selected = [list]() -> Clip* {
        QListWidgetItem* item = list->currentItem();
        return item ? FindClip(item->data(Qt::UserRole).toUInt()) : nullptr;
    };
    auto* row = new QHBoxLayout;
    auto* play = new QPushButton("&Play", &dialog);
    auto* erase = new QPushButton("&Erase", &dialog);
    auto* load = new QPushButton("&Load...", &dialog);
    auto* save = new QPushButton("&Save...", &dialog);
    for (QPushButton* b : {play, erase, load, save}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    layout->addLayout(row);
    int number = c.editor->Number();
    QObject::connect(play, &QPushButton::clicked, &dialog,
                     [&r, selected] { PlayClipSamples(r, selected()); });
    QObject::connect(erase, &QPushButton::clicked, &dialog, [&r, selected, fill, &dialog] {
        Clip* clip = selected();
        if (!clip) {
            ReportMessage(r, "No clip to erase.");
            return;
        }
        if (UI().Ask(&dialog, TitleOf(r), EraseClipQuestion(r, clip), kButtonsYesNo, kAnswerNo) !=
            kAnswerYes)
            return;
        EraseClip(clip);
        fill();
    });
    QObject::connect(load, &QPushButton::clicked, &dialog, [&r, fill, &dialog, number] {
        QString path = QFileDialog::getOpenFileName(&dialog, "Load Clip");
        if (path.isEmpty()) return;
        QtSoundIoUi ui(&dialog);
        if (LoadClip(r, path.toStdString(), true, &ui)) {
            RecordLine([&] { return LoadClipMacroLine(number, ScriptString(path.toStdString())); });
            fill();
        }
    });
    QObject::connect(save, &QPushButton::clicked, &dialog, [&r, selected, &dialog, number] {
        Clip* clip = selected();
        if (!clip) return;
        QtSoundIoUi ui(&dialog);
        std::string path;
        if (SaveClip(*clip, "", &ui, &path) == 0)
            RecordLine([&] { return SaveClipMacroLine(number, clip->number, ScriptString(path)); });
        (void)r;
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return;
    Clip* clip = selected();
    if (!clip) {
        if (list->count() > 0) ReportMessage(r, "Error on clip selection.");
        return;
    }
    SetActiveClip(r, clip);
}

}  // namespace

void InstallEmergencySave() {
    gEmergencySaveHook = QtEmergencySave;
}

QByteArray ClipboardWaveBytes(const QMimeData* data) {
    if (!data) return {};
    if (data->hasFormat(kWavMime)) return data->data(kWavMime);
    if (data->hasFormat(kWavMimeOld)) return data->data(kWavMimeOld);
    return {};
}

void NewClipCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    if (!WaveHasData(r)) {
        ReportEmptyEditor(*r);
        return;
    }
    OpenProcessDialog(r, kDialogClip, [&] { RunNewClipDialog(c, *r); });
}

void CopyClipCommand(CommandContext& c) {
    CopyActiveClip(*RecordOf(c));
}

void CutClipCommand(CommandContext& c) {
    InstallEmergencySave();
    CutActiveClip(*RecordOf(c));
}

void PasteClipCommand(CommandContext& c) {
    PlaceClip(c, kDialogPaste, "Paste Clip",
              "No clip to paste.\nUse Multi-Clips/Edit to choose\na clip for this wave.",
              PasteActiveClip);
}

void ReplaceClipCommand(CommandContext& c) {
    PlaceClip(c, kDialogReplace, "Replace Clip",
              "No clip for replace.\nUse Multi-Clips/Edit to choose\na clip for this wave.",
              ReplaceActiveClip);
}

void EditClipsCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    OpenProcessDialog(r, kDialogEditClip, [&] { RunEditClipDialog(c, *r); });
}

void EraseClipCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    Clip* clip = ActiveClip(*r);
    if (!clip) {
        ReportMessage(*r, "No clip to erase.");
        return;
    }
    if (UI().Ask(r->window, TitleOf(*r), EraseClipQuestion(*r, clip), kButtonsYesNo, kAnswerNo) ==
        kAnswerYes)
        EraseClip(clip);
}

void EraseAllClipsCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    if (!gClips) {
        ReportMessage(*r, "No clip to erase.");
        return;
    }
    if (UI().Ask(r->window, TitleOf(*r), "Erase all clips... Are you sure?", kButtonsYesNo,
                 kAnswerNo) == kAnswerYes)
        EraseAllClips();
}

void PlayClipCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    PlayClipSamples(*r, ActiveClip(*r));
}

void SystemCopyCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    std::vector<uint8_t> image;
    if (SystemCopyImage(*r, image) != kEditDone) return;
    auto* data = new QMimeData;
    data->setData(kWavMime,
                  QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())));
    QApplication::clipboard()->setMimeData(data);
}

void SystemCutCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    InstallEmergencySave();
    std::vector<uint8_t> image;
    // The area is deleted only once the clipboard holds it.
    if (SystemCopyImage(*r, image) != kEditDone) return;
    auto* data = new QMimeData;
    data->setData(kWavMime,
                  QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())));
    QApplication::clipboard()->setMimeData(data);
    if (ClipboardWaveBytes(QApplication::clipboard()->mimeData()).size() != qsizetype(image.size()))
        return;
    if (DeleteArea(*r) == kEditDone)
        RecordLine([&] { return DeleteAreaMacroLine(c.editor->Number()); });
}

void SystemPasteCommand(CommandContext& c) {
    WaveRecord* r = RecordOf(c);
    InstallEmergencySave();
    QByteArray bytes = ClipboardWaveBytes(QApplication::clipboard()->mimeData());
    SystemPasteImage(*r, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

}  // namespace ob
