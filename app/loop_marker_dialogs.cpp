#include "app/loop_marker_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/loop_placement.h"
#include "app/main_frame.h"
#include "app/view_units.h"
#include "audio/player.h"
#include "base/user_interface.h"
#include "script/cut_keep_list.h"
#include "script/recorder.h"
#include "wave/auto_locate.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"

namespace ob {

int gCutKeepMode = kCutKeepFiles;

namespace {

const char* const kLoopPositionsMessage =
    "The requested loop positions are\neither too large or reversed";

// A field for whole numbers: an optional sign and digits.
QLineEdit* NumberField(const char* name) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[+-]?[0-9]{0,10}"), field));
    return field;
}

// The whole number in a field; false for an empty or unreadable field.
bool NumberOf(const QLineEdit* field, int64_t& value) {
    bool ok = false;
    value = field->text().trimmed().toLongLong(&ok);
    return ok;
}

QPushButton* Button(const char* text, const char* name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

std::vector<int> MarkerIds(const WaveRecord& record) {
    std::vector<int> ids;
    for (const MarkerNode* m = record.markers; m; m = m->next) ids.push_back(m->id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<int> LoopIds(const WaveRecord& record) {
    std::vector<int> ids;
    for (const LoopNode* l = record.loops; l; l = l->next) ids.push_back(l->id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The lowest id 0..255 not in `ids`, -1 when all are taken.
int LowestFree(const std::vector<int>& ids) {
    int id = 0;
    for (int used : ids) {
        if (used == id)
            ++id;
        else if (used > id)
            break;
    }
    return id <= 255 ? id : -1;
}

// The id before or after `id` among `ids` (sorted); `id` itself when none.
int StepId(const std::vector<int>& ids, int id, bool forward) {
    if (forward) {
        for (int used : ids)
            if (used > id) return used;
    } else {
        for (auto it = ids.rbegin(); it != ids.rend(); ++it)
            if (*it < id) return *it;
    }
    return id;
}

void Changed(WaveRecord& record) {
    record.stateFlags |= kStateChanged;
    NotifyChange(&record, kChangeLoopsMarkers);
}

// The parts both item dialogs share: the id field with its stepping and
// "New", the Auto Locate box, and the button row.
class ItemDialog : public QDialog {
  public:
    ItemDialog(QWidget* parent, WaveRecord& record, bool loops)
        : QDialog(parent), record_(record), loops_(loops) {
        id_ = NumberField("idEdit");
        previous_ = Button("<", "previousButton");
        next_ = Button(">", "nextButton");
        newItem_ = new QCheckBox(loops ? "&New Loop" : "&New Marker");
        newItem_->setObjectName("newCheck");
        autoLocate_ = new QCheckBox("Use &Auto Locate");
        autoLocate_->setObjectName("autoLocateCheck");
        autoLocate_->setChecked(gAutoLocate.flags & Flag());
        mouse_ = Button("Mouse", "mouseButton");
        value_ = Button("Value", "valueButton");
        value_->setDefault(true);
        cancel_ = Button("Cancel", "cancelButton");
        delete_ = Button("Delete", "deleteButton");
        deleteAll_ = Button("Delete All", "deleteAllButton");
        connect(id_, &QLineEdit::textEdited, this, [this] { IdTyped(); });
        connect(previous_, &QPushButton::clicked, this, [this] { Step(false); });
        connect(next_, &QPushButton::clicked, this, [this] { Step(true); });
        connect(newItem_, &QCheckBox::toggled, this, [this](bool on) { NewToggled(on); });
        connect(autoLocate_, &QCheckBox::toggled, this, [this](bool on) {
            gAutoLocate.flags = on ? (gAutoLocate.flags | Flag()) : (gAutoLocate.flags & ~Flag());
        });
        connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
        connect(value_, &QPushButton::clicked, this, [this] {
            if (CheckWave() && Apply()) accept();
        });
        connect(mouse_, &QPushButton::clicked, this, [this] {
            if (CheckWave() && WaitForMouse()) {
                UI().SetStatusText(PlacementPrompt());
                accept();
            }
        });
        connect(delete_, &QPushButton::clicked, this, [this] {
            if (!CheckWave()) return;
            DeleteItem(CurrentId());
            Changed(record_);
            Show(CurrentId());
        });
        connect(deleteAll_, &QPushButton::clicked, this, [this] {
            if (!CheckWave()) return;
            ClearLists(record_, loops_ ? kListLoops : kListMarkers);
            Changed(record_);
            Show(CurrentId());
        });
    }

  protected:
    virtual std::vector<int> Ids() const = 0;
    virtual void Show(int id) = 0;  // fills the fields of item id (-1: empties them)
    virtual bool Apply() = 0;
    virtual bool WaitForMouse() = 0;
    virtual void DeleteItem(int id) = 0;
    uint32_t Flag() const { return loops_ ? kLocateLoops : kLocateMarkers; }

    QHBoxLayout* ButtonRow() {
        auto* row = new QHBoxLayout;
        for (QPushButton* b : {mouse_, value_, cancel_, delete_, deleteAll_}) row->addWidget(b);
        return row;
    }
    // "&ID#" with the id field as its buddy (the row holds a layout).
    QLabel* IdLabel() {
        auto* label = new QLabel("&ID#");
        label->setBuddy(id_);
        return label;
    }
    QHBoxLayout* IdRow() {
        auto* row = new QHBoxLayout;
        row->addWidget(id_);
        row->addWidget(previous_);
        row->addWidget(next_);
        return row;
    }
    // The id shown, -1 when the field holds none.
    int CurrentId() const {
        int64_t id = 0;
        return NumberOf(id_, id) && id >= 0 && id <= 255 ? int(id) : -1;
    }
    void SetId(int id) {
        id_->setText(id < 0 ? QString() : QString::number(id));
        Show(id);
    }
    // The first item, or a new one when there are none.
    void Start(int preferred) {
        const std::vector<int> ids = Ids();
        if (preferred >= 0 && std::find(ids.begin(), ids.end(), preferred) != ids.end())
            SetId(preferred);
        else if (!ids.empty())
            SetId(ids.front());
        else
            newItem_->setChecked(true);
    }
    // A position typed or shown: replaced by Auto Locate of it when the box is
    // on (nothing found empties the field).
    void Locate(QLineEdit* field) {
        int64_t frame = 0;
        if (!autoLocate_->isChecked() || !NumberOf(field, frame)) return;
        const int64_t found = AutoLocate(record_, frame);
        field->setText(found < 0 ? QString() : QString::number(found));
    }
    bool CheckWave() {
        if (WaveHasData(&record_)) return true;
        ReportEmptyEditor(record_);
        reject();
        return false;
    }

    WaveRecord& record_;
    bool loops_;
    QLineEdit* id_;
    QPushButton *previous_, *next_, *mouse_, *value_, *cancel_, *delete_, *deleteAll_;
    QCheckBox *newItem_, *autoLocate_;

  private:
    void IdTyped() {
        int64_t id = 0;
        if (!NumberOf(id_, id)) {
            Show(-1);
            return;
        }
        if (id < 0 || id > 255) {
            id = std::clamp<int64_t>(id, 0, 255);
            id_->setText(QString::number(id));
        }
        Show(int(id));
    }
    void Step(bool forward) {
        const std::vector<int> ids = Ids();
        if (ids.empty()) return;
        const int id = CurrentId();
        SetId(id < 0 ? ids.front() : StepId(ids, id, forward));
    }
    void NewToggled(bool on) {
        const std::vector<int> ids = Ids();
        if (on) {
            const int typed = CurrentId();
            const bool free = typed >= 0 && std::find(ids.begin(), ids.end(), typed) == ids.end();
            SetId(free ? typed : LowestFree(ids));
        } else if (!ids.empty()) {
            SetId(ids.front());
        }
    }
};

class MarkerDialog : public ItemDialog {
  public:
    MarkerDialog(QWidget* parent, WaveRecord& record) : ItemDialog(parent, record, false) {
        setObjectName(kSetMarkerDialogName);
        setWindowTitle("Set Marker");
        position_ = NumberField("positionEdit");
        shown_ = new QLabel;
        shown_->setObjectName("positionText");
        name_ = new QLineEdit;
        name_->setObjectName("nameEdit");
        auto* form = new QFormLayout;
        form->addRow(IdLabel(), IdRow());
        form->addRow("&Position", position_);
        form->addRow("", shown_);
        form->addRow("N&ame", name_);
        form->addRow(newItem_);
        form->addRow(autoLocate_);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addLayout(ButtonRow());
        connect(position_, &QLineEdit::editingFinished, this, [this] {
            Locate(position_);
            ShowPosition();
        });
        connect(position_, &QLineEdit::textChanged, this, [this] { ShowPosition(); });
        connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
            if (text.isEmpty()) return;
            // A name that a marker has selects that marker.
            if (MarkerNode* m = FindMarkerByName(record_, text.toStdString())) {
                id_->setText(QString::number(m->id));
                position_->setText(QString::number(m->position));
            }
        });
        Start(-1);
    }

  protected:
    std::vector<int> Ids() const override { return MarkerIds(record_); }
    void Show(int id) override {
        const MarkerNode* m = id >= 0 ? FindMarker(record_, id) : nullptr;
        position_->setText(m ? QString::number(m->position) : QString());
        name_->setText(m ? QString::fromStdString(m->name) : QString());
    }
    bool Apply() override {
        const int id = CurrentId();
        int64_t position = 0;
        if (id < 0 || !NumberOf(position_, position) || position < 0) {
            ReportMessage(record_, "Enter a marker number (0 to 255) and a position of 0 or more.");
            return false;
        }
        const uint32_t at = uint32_t(std::min<int64_t>(position, record_.frameCount - 1));
        const std::string name = name_->text().toStdString();
        if (!SetMarker(record_, at, id, name.c_str())) {
            ReportMessage(record_, "Not enough memory for this operation.\n");
            return false;
        }
        Changed(record_);
        RecordLine([&] { return SetMarkerLine(EditorNumberOf(&record_), id, at); });
        return true;
    }
    bool WaitForMouse() override {
        const int id = CurrentId();
        if (id < 0) return false;
        CancelPlacement();
        gPendingPlacement.kind = PendingPlacement::Marker;
        gPendingPlacement.record = &record_;
        gPendingPlacement.id = id;
        gPendingPlacement.name = name_->text().toStdString();
        return true;
    }
    void DeleteItem(int id) override {
        if (id >= 0) DeleteMarker(record_, id);
    }

  private:
    void ShowPosition() {
        int64_t frame = 0;
        shown_->setText(NumberOf(position_, frame) && frame >= 0
                            ? PositionText(record_, uint64_t(frame))
                            : QString());
    }
    QLineEdit *position_, *name_;
    QLabel* shown_;
};

class LoopDialog : public ItemDialog {
  public:
    LoopDialog(QWidget* parent, WaveRecord& record) : ItemDialog(parent, record, true) {
        setObjectName(kSetLoopDialogName);
        setWindowTitle("Set Loop");
        // A role that names no loop (or no valid id) is dropped on opening.
        if (record.sustainLoopId < 0 || record.sustainLoopId > 255 ||
            !FindLoop(record, record.sustainLoopId))
            record.sustainLoopId = -1;
        if (record.releaseLoopId < 0 || record.releaseLoopId > 255 ||
            !FindLoop(record, record.releaseLoopId))
            record.releaseLoopId = -1;
        sustain_ = NumberField("sustainEdit");
        sustain_->setText(QString::number(record.sustainLoopId));
        release_ = NumberField("releaseEdit");
        release_->setText(QString::number(record.releaseLoopId));
        start_ = NumberField("startEdit");
        end_ = NumberField("endEdit");
        forward_ = new QRadioButton("&Forward");
        forward_->setObjectName("forwardRadio");
        backward_ = new QRadioButton("Forward-\n&Backward");
        backward_->setObjectName("backwardRadio");
        forward_->setChecked(true);
        show_ = new QCheckBox("Sho&w");
        show_->setObjectName("showCheck");
        show_->setChecked(true);
        auto* type = new QGroupBox("Loop Type");
        auto* typeLayout = new QVBoxLayout(type);
        typeLayout->addWidget(forward_);
        typeLayout->addWidget(backward_);
        auto* form = new QFormLayout;
        form->addRow(IdLabel(), IdRow());
        form->addRow("S&ustain ID#", sustain_);
        form->addRow("&Release ID#", release_);
        form->addRow("&Start", start_);
        form->addRow("&End", end_);
        form->addRow(type);
        form->addRow(newItem_);
        form->addRow(autoLocate_);
        form->addRow(show_);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addLayout(ButtonRow());
        connect(start_, &QLineEdit::editingFinished, this, [this] { Locate(start_); });
        connect(end_, &QLineEdit::editingFinished, this, [this] { Locate(end_); });
        Start(record.sustainLoopId);
    }

  protected:
    std::vector<int> Ids() const override { return LoopIds(record_); }
    void Show(int id) override {
        const LoopNode* l = id >= 0 ? FindLoop(record_, id) : nullptr;
        start_->setText(l ? QString::number(l->start) : QString());
        end_->setText(l ? QString::number(l->end) : QString());
        if (l) {
            (l->type & 1 ? backward_ : forward_)->setChecked(true);
            show_->setChecked(!(l->type & kLoopTypeHidden));
        }
    }
    uint8_t TypeByte() const {
        return uint8_t((backward_->isChecked() ? 1 : 0) |
                       (show_->isChecked() ? 0 : kLoopTypeHidden));
    }
    // A role field: -1..255; false when it holds anything else.
    bool RoleOf(const QLineEdit* field, int& role) const {
        int64_t value = 0;
        if (!NumberOf(field, value) || value < -1 || value > 255) return false;
        role = int(value);
        return true;
    }
    bool Roles(int& sustain, int& release) {
        if (RoleOf(sustain_, sustain) && RoleOf(release_, release)) return true;
        ReportMessage(record_, "The sustain and release loop numbers must lie between -1 and 255.");
        return false;
    }
    bool Apply() override {
        const int id = CurrentId();
        int64_t start = 0, end = 0;
        int sustain = -1, release = -1;
        if (id < 0) {
            ReportMessage(record_, "Enter a loop number from 0 to 255.");
            return false;
        }
        if (!Roles(sustain, release)) return false;
        // Positions must be frames of the wave, start before end.
        if (!NumberOf(start_, start) || !NumberOf(end_, end) || start < 0 || end <= start ||
            end >= int64_t(record_.frameCount)) {
            ReportMessage(record_, kLoopPositionsMessage);
            return false;
        }
        const uint8_t type = TypeByte();
        if (!SetLoop(record_, uint32_t(start), uint32_t(end), type, id)) {
            ReportMessage(record_, "Not enough memory for this operation.\n");
            return false;
        }
        record_.sustainLoopId = int16_t(sustain >= 0 && FindLoop(record_, sustain) ? sustain : -1);
        record_.releaseLoopId = int16_t(release >= 0 && FindLoop(record_, release) ? release : -1);
        Changed(record_);
        const int role = record_.releaseLoopId == id ? 2 : (record_.sustainLoopId == id ? 1 : 0);
        RecordLine([&] {
            return SetLoopLine(EditorNumberOf(&record_), id, uint32_t(start), uint32_t(end),
                               type & 1, role);
        });
        return true;
    }
    bool WaitForMouse() override {
        const int id = CurrentId();
        int sustain = -1, release = -1;
        if (id < 0 || !Roles(sustain, release)) return false;
        // A role is kept when its loop exists or is the one being placed.
        auto accepted = [&](int role) {
            return role >= 0 && (role == id || FindLoop(record_, role)) ? role : -1;
        };
        CancelPlacement();
        gPendingPlacement.kind = PendingPlacement::Loop;
        gPendingPlacement.record = &record_;
        gPendingPlacement.id = id;
        gPendingPlacement.type = TypeByte();
        gPendingPlacement.sustain = accepted(sustain);
        gPendingPlacement.release = accepted(release);
        return true;
    }
    void DeleteItem(int id) override {
        if (id >= 0) DeleteLoop(record_, id);
        sustain_->setText(QString::number(record_.sustainLoopId));
        release_->setText(QString::number(record_.releaseLoopId));
    }

  private:
    QLineEdit *sustain_, *release_, *start_, *end_;
    QRadioButton *forward_, *backward_;
    QCheckBox* show_;
};

}  // namespace

void RunSetMarkerDialog(QWidget* parent, WaveRecord* record) {
    if (!record) return ReportEditorMissing();
    OpenProcessDialog(record, kDialogSetMarker, [&] {
        if (!WaveHasData(record)) return ReportEmptyEditor(*record);
        MarkerDialog dialog(parent, *record);
        dialog.exec();
    });
}

void RunSetLoopDialog(QWidget* parent, WaveRecord* record) {
    if (!record) return ReportEditorMissing();
    OpenProcessDialog(record, kDialogSetLoop, [&] {
        if (!WaveHasData(record)) return ReportEmptyEditor(*record);
        LoopDialog dialog(parent, *record);
        dialog.exec();
    });
}

void RunAutoLocateDialog(QWidget* parent) {
    OpenProcessDialog(nullptr, kDialogAutoLocate, [&] {
        QDialog dialog(parent);
        dialog.setObjectName(kAutoLocateDialogName);
        dialog.setWindowTitle("Auto Locate");
        auto* form = new QFormLayout(&dialog);
        auto whole = [](const char* name, uint32_t value) {
            auto* box = new QDoubleSpinBox;
            box->setObjectName(name);
            box->setDecimals(0);
            box->setRange(0, 4294967295.0);
            box->setValue(value);
            return box;
        };
        auto level = [](const char* name, double fraction) {
            auto* box = new QDoubleSpinBox;
            box->setObjectName(name);
            box->setDecimals(4);
            box->setRange(-100, 100);
            box->setSuffix(" %");
            box->setValue(fraction * 100);
            return box;
        };
        auto check = [](const char* text, const char* name, bool on) {
            auto* box = new QCheckBox(text);
            box->setObjectName(name);
            box->setChecked(on);
            return box;
        };
        const AutoLocateSettings& s = gAutoLocate;
        QDoubleSpinBox* multiplier = whole("multiplierSpin", s.multiplier);
        QDoubleSpinBox* offset = whole("offsetSpin", s.offset);
        QDoubleSpinBox* maxLevel = level("maxLevelSpin", s.maxLevel);
        QDoubleSpinBox* minLevel = level("minLevelSpin", s.minLevel);
        QCheckBox* range = check("Match Level &Range", "rangeCheck", s.flags & kLocateLevelRange);
        QCheckBox* positive = check("&Positive", "positiveCheck", s.flags & kLocatePositive);
        QCheckBox* negative = check("&Negative", "negativeCheck", s.flags & kLocateNegative);
        QCheckBox* zero = check("&Zero", "zeroCheck", s.flags & kLocateZero);
        form->addRow("&Multiplier", multiplier);
        form->addRow("&Offset", offset);
        form->addRow("M&ax Level", maxLevel);
        form->addRow("M&in Level", minLevel);
        form->addRow(range);
        auto* slopes = new QHBoxLayout;
        slopes->addWidget(positive);
        slopes->addWidget(negative);
        slopes->addWidget(zero);
        form->addRow(slopes);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        form->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted) return;
        gAutoLocate.multiplier = uint32_t(multiplier->value());
        gAutoLocate.offset = uint32_t(offset->value());
        gAutoLocate.maxLevel = maxLevel->value() / 100;
        gAutoLocate.minLevel = minLevel->value() / 100;
        uint32_t flags = gAutoLocate.flags & (kLocateMarkers | kLocateLoops);
        if (range->isChecked()) flags |= kLocateLevelRange;
        if (positive->isChecked()) flags |= kLocatePositive;
        if (negative->isChecked()) flags |= kLocateNegative;
        if (zero->isChecked()) flags |= kLocateZero;
        gAutoLocate.flags = flags;
    });
}

void RunCutKeepListDialog(QWidget* parent, WaveRecord* record) {
    if (!record) return ReportEditorMissing();
    OpenProcessDialog(record, kDialogCutKeepList, [&] {
        if (!WaveHasData(record)) return ReportEmptyEditor(*record);
        QDialog dialog(parent);
        dialog.setObjectName(kCutKeepDialogName);
        dialog.setWindowTitle("Cut or Keep List");
        auto* layout = new QVBoxLayout(&dialog);
        auto* box = new QGroupBox("Process Marker segments");
        auto* boxLayout = new QVBoxLayout(box);
        auto* group = new QButtonGroup(&dialog);
        const char* const texts[3] = {"Save to &Multi-Clipboard", "Save to disk &files",
                                      "&Cut, result in a new wave editor"};
        const char* const names[3] = {"clipRadio", "fileRadio", "cutRadio"};
        for (int i = 0; i < 3; ++i) {
            auto* radio = new QRadioButton(texts[i]);
            radio->setObjectName(names[i]);
            group->addButton(radio, i);
            boxLayout->addWidget(radio);
        }
        group->button(std::clamp(gCutKeepMode, 0, 2))->setChecked(true);
        layout->addWidget(box);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QPushButton* preview = buttons->addButton("Pre&view", QDialogButtonBox::ActionRole);
        preview->setObjectName("previewButton");
        QObject::connect(preview, &QPushButton::clicked, &dialog, [&] {
            // Pressed during playback it stops it.
            if (PlaybackRunning()) return StopPlay();
            const int result = PlayCutKeepPreview(*record);
            if (result == kPlayBadRange)
                ReportMessage(*record, CutKeepResultText(kCutKeepNoSections));
            else if (result != kPlayOk)
                ReportMessage(*record, PlayResultText(result));
        });
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        const int answer = dialog.exec();
        if (PlaybackRunning()) StopPlay();
        gCutKeepMode = std::max(0, group->checkedId());
        if (answer != QDialog::Accepted) return;
        CutKeepOutcome outcome;
        const int result = CutKeepList(*record, gCutKeepMode, &outcome);
        if (result != kCutKeepDone) return ReportCutKeepResult(*record, result, outcome);
        RecordLine([&] { return CutKeepListLine(EditorNumberOf(record), gCutKeepMode); });
        if (outcome.newEditor && MainFrame::Instance()) MainFrame::Instance()->AdoptNewEditors();
    });
}

}  // namespace ob
