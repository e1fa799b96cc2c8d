// The sampler transfer dialogs and the Sampler menu's commands.
#include "app/sampler_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/audio_dialogs.h"
#include "app/editor_window.h"
#include "app/ensoniq_dialogs.h"
#include "app/help_window.h"
#include "app/korg_akai_dialogs.h"
#include "app/main_frame.h"
#include "app/midi_driver_lists.h"
#include "app/smdi_dialog.h"
#include "app/transfer_window.h"
#include "audio/player.h"
#include "sampler/ensoniq_transfer.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_events.h"
#include "script/play_commands.h"
#include "script/sampler_commands.h"
#include "script/settings_store.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr int kChannelMax = 16;
constexpr int kSampleSpinMax = 16384;    // the spin range
constexpr int kSampleNumberMax = 16383;  // what a transfer takes
constexpr const char* kSamplerHelpPage = "sampler";

// Types whose parameters are the SDS controls.
bool IsSdsType(int32_t code) {
    return code == kSamplerSds12 || code == kSamplerSds16 || code == kSamplerProphet2000;
}

}  // namespace

// ---- the SDS parameter controls ----

SdsControls::SdsControls(QWidget* parent) : QWidget(parent) {
    setObjectName("sdsControls");
    auto* grid = new QGridLayout(this);
    channel_ = new QSpinBox(this);
    channel_->setObjectName("channel");
    channel_->setRange(1, kChannelMax);
    sample_ = new QSpinBox(this);
    sample_->setObjectName("sample");
    sample_->setRange(0, kSampleSpinMax);
    auto* channelLabel = new QLabel("&Channel:", this);
    channelLabel->setBuddy(channel_);
    auto* sampleLabel = new QLabel("&Sample:", this);
    sampleLabel->setBuddy(sample_);
    grid->addWidget(channelLabel, 0, 0);
    grid->addWidget(channel_, 0, 1);
    grid->addWidget(sampleLabel, 1, 0);
    grid->addWidget(sample_, 1, 1);
    drivers_ = new MidiDriverLists(this, grid, 2, 2);
    wait_ = new QCheckBox("Tell Sampler to &Wait between packets", this);
    wait_->setObjectName("waitBetweenPackets");
    grid->addWidget(wait_, 6, 0, 1, 2);
}

void SdsControls::Fill(TransferContext& c) {
    if (c.channel() == 0) c.channel() = 1;
    if (c.sampleNumber() < 0) c.sampleNumber() = 0;
    // The stored number is shown as it is (for the Prophet 2000 it is the
    // user's number, counted from 1), so opening and OK never change it.
    channel_->setValue(std::clamp(c.channel(), 1, kChannelMax));
    sample_->setValue(std::min(c.sampleNumber(), kSampleSpinMax));
    drivers_->Fill(c);
    wait_->setChecked((c.optionFlags() & int32_t(kOptionSdsWait)) != 0);
}

void SdsControls::ReadBack(TransferContext& c) const {
    c.channel() = std::clamp(channel_->value(), 1, kChannelMax);
    c.sampleNumber() = std::clamp(sample_->value(), 0, kSampleNumberMax);
    drivers_->ReadBack(c);
    c.optionFlags() = (c.optionFlags() & ~int32_t(kOptionSdsWait)) |
                      (wait_->isChecked() ? int32_t(kOptionSdsWait) : 0);
}

// ---- "Sampler Transfer" ----

SamplerTransferDialog::SamplerTransferDialog(QWidget* parent, TransferDialogState& state)
    : QDialog(parent), askPath(AskPresetPath), state_(state) {
    setObjectName("samplerTransferDialog");
    setWindowTitle("Sampler Transfer");
    auto* layout = new QVBoxLayout(this);

    auto* presetRow = new QHBoxLayout;
    presets_ = new QComboBox(this);
    presets_->setObjectName("presets");
    presets_->setEditable(true);
    presets_->setInsertPolicy(QComboBox::NoInsert);
    presets_->setMinimumContentsLength(28);
    for (const SamplerPreset& p : state_.presets) presets_->addItem(QString::fromStdString(p.name));
    auto* presetLabel = new QLabel("&Presets:", this);
    presetLabel->setBuddy(presets_);
    auto* load = new QPushButton("&Load Preset", this);
    load->setObjectName("loadPreset");
    auto* save = new QPushButton("&Save Preset", this);
    save->setObjectName("savePreset");
    presetRow->addWidget(presetLabel);
    presetRow->addWidget(presets_, 1);
    presetRow->addWidget(load);
    presetRow->addWidget(save);
    layout->addLayout(presetRow);

    auto* middle = new QHBoxLayout;
    auto* types = new QGroupBox("Sampler", this);
    auto* typeColumn = new QVBoxLayout(types);
    radios_.assign(kSamplerTypeCount, nullptr);
    // The radio buttons in the order of their ids (7721 SMDI .. 7730 Akai S-612).
    for (int32_t id = 7721; id <= 7730; ++id) {
        int32_t code = SamplerTypeOfRadioId(id);
        if (code < 0) continue;
        auto* radio = new QRadioButton(kSamplerTypes[code].radioText, types);
        radio->setObjectName(QString("radio%1").arg(id));
        typeColumn->addWidget(radio);
        radios_[size_t(code)] = radio;
        connect(radio, &QRadioButton::toggled, this, [this, code](bool on) {
            if (!on) return;
            ReadShownControls();
            state_.selectedType = code;
            ShowType(code);
        });
    }
    middle->addWidget(types);
    pages_ = new QStackedWidget(this);
    sds_ = new SdsControls(pages_);
    pages_->addWidget(sds_);
    ensoniq_ = new EnsoniqControls(pages_);
    pages_->addWidget(ensoniq_);
    smdi_ = new SmdiControls(pages_);
    pages_->addWidget(smdi_);
    notBuilt_ = new QLabel(pages_);
    notBuilt_->setObjectName("typeNotBuilt");
    notBuilt_->setAlignment(Qt::AlignCenter);
    notBuilt_->setWordWrap(true);
    pages_->addWidget(notBuilt_);
    for (int32_t type : {kSamplerDss1, kSamplerDsm1, kSamplerAkaiS612}) {
        auto* controls = new KorgAkaiControls(pages_, type);
        pages_->addWidget(controls);
        korgAkai_.push_back(controls);
    }
    middle->addWidget(pages_, 1);
    layout->addLayout(middle);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    QPushButton* help = buttons->addButton("&Help", QDialogButtonBox::HelpRole);
    help->setObjectName("help");
    layout->addWidget(buttons);

    // The combo box's accepted selection applies that preset.
    connect(presets_, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { ChoosePreset(index); });
    connect(load, &QPushButton::clicked, this, [this] {
        QString path = askPath ? askPath(this, false) : QString();
        if (!path.isEmpty()) LoadPreset(path);
    });
    connect(save, &QPushButton::clicked, this, [this] {
        QString path = askPath ? askPath(this, true) : QString();
        if (!path.isEmpty()) SavePreset(path);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        // Made a child of this dialog so that it takes input while the dialog runs.
        HelpWindow* window = ShowHelpWindow(this, kSamplerHelpPage);
        if (window && window->parentWidget() != this) {
            window->setParent(this, Qt::Window);
            window->show();
        }
    });
    ShowState();
}

void SamplerTransferDialog::ShowType(int32_t code) {
    code = EffectiveSamplerType(code);
    if (QRadioButton* radio = radios_[size_t(code)]) {
        QSignalBlocker block(radio);
        radio->setChecked(true);
    }
    if (IsSdsType(code)) {
        pages_->setCurrentWidget(sds_);
        sds_->Fill(gTransfer);
    } else if (KorgAkaiControls* controls = KorgAkaiPage(code)) {
        pages_->setCurrentWidget(controls);
        controls->Fill(gTransfer);
    } else if (IsEnsoniqType(code)) {
        pages_->setCurrentWidget(ensoniq_);
        ensoniq_->Fill(gTransfer);
    } else if (code == kSamplerSmdi) {
        pages_->setCurrentWidget(smdi_);
        smdi_->Fill(gTransfer);
    } else {
        notBuilt_->setText(
            QString("%1\n\nThis item is not yet available.").arg(kSamplerTypes[code].radioText));
        pages_->setCurrentWidget(notBuilt_);
    }
}

void SamplerTransferDialog::ShowState() {
    ShowType(state_.selectedType);
    QString name = QString::fromStdString(state_.presetName);
    int row = name.isEmpty() ? -1 : presets_->findText(name, Qt::MatchExactly);
    QSignalBlocker block(presets_);
    presets_->setCurrentIndex(row);
    presets_->setEditText(name);
}

void SamplerTransferDialog::ReadShownControls() {
    if (pages_->currentWidget() == sds_) sds_->ReadBack(gTransfer);
    if (pages_->currentWidget() == smdi_) smdi_->ReadBack(gTransfer);
    if (pages_->currentWidget() == ensoniq_) ensoniq_->ReadBack(gTransfer);
    for (KorgAkaiControls* controls : korgAkai_)
        if (pages_->currentWidget() == controls) controls->ReadBack(gTransfer);
}

KorgAkaiControls* SamplerTransferDialog::KorgAkaiPage(int32_t code) const {
    for (KorgAkaiControls* controls : korgAkai_)
        if (controls->type() == code) return controls;
    return nullptr;
}

void SamplerTransferDialog::ChoosePreset(int index) {
    ChooseTransferPreset(state_, index);
    ShowState();
}

bool SamplerTransferDialog::LoadPreset(const QString& path) {
    if (!LoadTransferPreset(state_, path.toStdString())) return false;
    ShowState();
    return true;
}

bool SamplerTransferDialog::SavePreset(const QString& path) {
    ReadShownControls();
    state_.presetName = presets_->currentText().toStdString();
    return SaveTransferPreset(state_, path.toStdString());
}

void SamplerTransferDialog::accept() {
    ReadShownControls();
    state_.presetName = presets_->currentText().toStdString();
    QDialog::accept();
}

int32_t RunSamplerTransferDialog(int32_t direction, WaveRecord& wave) {
    TransferDialogState state;
    if (!BeginTransferDialog(state, direction, wave)) return kTransferUserCancel;
    bool accepted = false;
    {
        SamplerTransferDialog dialog(MainFrame::Instance(), state);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    int32_t result = kTransferUserCancel;
    if (accepted) {
        // Sets the type up, keeps the preset and the type, runs the transfer
        // and records its line.
        result = AcceptTransferDialogRecorded(state);
        if (MainFrame* frame = MainFrame::Instance()) frame->RefreshCommands();
    }
    EndTransferDialog();
    return result;
}

// ---- "MIDI Sample Dump Standard" ----

QString SdsDialogTitle(int32_t direction, int32_t type) {
    const char* name = type == kSamplerSds12         ? "SDS 12 bit"
                       : type == kSamplerProphet2000 ? "Prophet 2000"
                                                     : "SDS 16 bit";
    return QString("%1: MIDI %2").arg(direction == 1 ? "Receive" : "Send", name);
}

SdsParamDialog::SdsParamDialog(QWidget* parent, int32_t direction, TransferContext& context)
    : QDialog(parent), context_(context) {
    setObjectName("sdsParamDialog");
    setWindowTitle(SdsDialogTitle(direction, context.samplerType));
    auto* layout = new QVBoxLayout(this);
    controls_ = new SdsControls(this);
    layout->addWidget(controls_);
    AddOkCancel(this, layout);
    controls_->Fill(context_);
}

void SdsParamDialog::accept() {
    controls_->ReadBack(context_);
    QDialog::accept();
}

void AddOkCancel(QDialog* dialog, QBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
}

QWidget* SamplerDialogParent(const TransferContext& context) {
    return context.wave && context.wave->window ? static_cast<QWidget*>(context.wave->window)
                                                : static_cast<QWidget*>(MainFrame::Instance());
}

bool RunSdsParamDialog(int32_t direction, TransferContext& context) {
    if (IsKorgAkaiType(context.samplerType)) return RunKorgAkaiParamDialog(direction, context);
    QWidget* parent = SamplerDialogParent(context);
    if (IsEnsoniqType(context.samplerType)) {
        EnsoniqParamDialog dialog(parent, direction, context);
        return dialog.exec() == QDialog::Accepted;
    }
    SdsParamDialog dialog(parent, direction, context);
    return dialog.exec() == QDialog::Accepted;
}

// ---- installation ----

namespace {

WindowTransferClock& WindowClock() {
    static WindowTransferClock clock;
    return clock;
}
int64_t gBatchWaitLimitMs = -1;  // the limit before the window side was installed

}  // namespace

void InstallSamplerWindowSide() {
    gSamplerTransferDialogHook = RunSamplerTransferDialog;
    gSamplerParamDialogHook = RunSdsParamDialog;
    gSmdiParamDialogHook = RunSmdiParamDialog;
    gTransfer.clock = &WindowClock();
    // After the sampler's WAIT the window waits until the user aborts.
    if (gBatchWaitLimitMs < 0) gBatchWaitLimitMs = gTransferTiming.waitLimitMs;
    gTransferTiming.waitLimitMs = 0;
}

void RemoveSamplerWindowSide() {
    gSamplerTransferDialogHook = nullptr;
    gSamplerParamDialogHook = nullptr;
    gSmdiParamDialogHook = nullptr;
    if (gTransfer.clock == &WindowClock()) gTransfer.clock = nullptr;
    if (gBatchWaitLimitMs >= 0) gTransferTiming.waitLimitMs = gBatchWaitLimitMs;
    gBatchWaitLimitMs = -1;
}

// ---- the Sampler menu's commands ----

namespace {

Command* Row(std::vector<Command>& table, int id) {
    for (Command& c : table)
        if (c.id == id) return &c;
    return nullptr;
}

void SetHandler(std::vector<Command>& table, int id, CommandHandler handler,
                CommandState enabled = nullptr, CommandState checked = nullptr,
                const char* text = nullptr) {
    Command* c = Row(table, id);
    if (!c) return;
    c->handler = handler;
    c->enabled = enabled;
    c->missing = nullptr;
    if (checked) c->checked = checked;
    if (text) c->text = text;
}

WaveRecord* RecordOf(const CommandContext& c) {
    return c.editor ? c.editor->Record() : nullptr;
}

void SendHandler(CommandContext& c) {
    WaveRecord* record = RecordOf(c);
    if (!record) return;
    SendCommand(*record);
    if (c.frame) c.frame->RefreshCommands();
}

void ReceiveHandler(CommandContext& c) {
    // Without an active editor the sample comes into a new one.
    EditorWindow* editor = c.editor ? c.editor : (c.frame ? c.frame->NewEditor() : nullptr);
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!record) return;
    if (PlaybackRunning() || PlayerOpen()) StopCommand(false);
    ReceiveCommand(*record);
    if (c.frame) c.frame->RefreshCommands();
}

}  // namespace

void InstallSamplerCommands(std::vector<Command>& table) {
    SetHandler(table, 40005, SendHandler,
               [](const CommandContext& c) { return c.editor != nullptr; });
    SetHandler(table, 40006, ReceiveHandler);
    for (const SamplerTypeInfo& type : kSamplerTypes) {
        if (!type.menuId) continue;
        SetHandler(
            table, type.menuId,
            [](CommandContext& c) {
                SelectSamplerType(SamplerTypeOfMenuId(c.id));
                if (c.frame) c.frame->RefreshCommands();
            },
            nullptr,
            [](const CommandContext& c) {
                return EffectiveSamplerType(gSamplerType) == SamplerTypeOfMenuId(c.id);
            },
            type.menuText);
    }
    SetHandler(
        table, kMenuDynamicDialog,
        [](CommandContext& c) {
            gSamplerDynamicDialog = !gSamplerDynamicDialog;
            if (gSamplerDynamicDialog)
                gShellSettings.displayFlags &= ~kDisplayNoDynamicDialog;
            else
                gShellSettings.displayFlags |= kDisplayNoDynamicDialog;
            if (c.frame) c.frame->RefreshCommands();
        },
        nullptr, [](const CommandContext&) { return gSamplerDynamicDialog; }, "Dynamic Dialog");
}

}  // namespace ob
