#include "app/midi_driver_lists.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <algorithm>

namespace ob {

QListWidget* MidiDeviceList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumHeight(60);
    list->setMaximumHeight(110);
    return list;
}

void FillMidiDeviceList(QListWidget* list, const std::vector<MidiDevice>& devices, int32_t& index) {
    QSignalBlocker block(list);
    list->clear();
    for (const std::string& name : MidiDeviceNames(devices))
        list->addItem(QString::fromStdString(name));
    if (index < 0 || size_t(index) >= devices.size()) index = 0;
    list->setCurrentRow(index);
}

int32_t SelectedDeviceRow(const QListWidget* list) {
    return std::max(0, list->currentRow());
}

MidiDriverLists::MidiDriverLists(QWidget* owner, QGridLayout* grid, int row, int span,
                                 const QString& prefix)
    : QObject(owner) {
    const QString in = prefix.isEmpty() ? "inputDriver" : prefix + "InputDriver";
    const QString out = prefix.isEmpty() ? "outputDriver" : prefix + "OutputDriver";
    inputs_ = MidiDeviceList(owner, in.toUtf8().constData());
    outputs_ = MidiDeviceList(owner, out.toUtf8().constData());
    auto* inputLabel = new QLabel("&Input Driver", owner);
    inputLabel->setBuddy(inputs_);
    auto* outputLabel = new QLabel("&Output Driver", owner);
    outputLabel->setBuddy(outputs_);
    grid->addWidget(inputLabel, row, 0, 1, span);
    grid->addWidget(inputs_, row + 1, 0, 1, span);
    grid->addWidget(outputLabel, row + 2, 0, 1, span);
    grid->addWidget(outputs_, row + 3, 0, 1, span);
    connect(inputs_, &QListWidget::currentRowChanged, this, [this](int r) {
        if (context_) context_->midiInDevice = std::max(0, r);
    });
    connect(outputs_, &QListWidget::currentRowChanged, this, [this](int r) {
        if (context_) context_->midiOutDevice = std::max(0, r);
    });
}

void MidiDriverLists::Fill(TransferContext& c) {
    context_ = &c;
    FillMidiDeviceList(inputs_, c.devices.inputs, c.midiInDevice);
    FillMidiDeviceList(outputs_, c.devices.outputs, c.midiOutDevice);
}

void MidiDriverLists::ReadBack(TransferContext& c) const {
    c.midiInDevice = SelectedDeviceRow(inputs_);
    c.midiOutDevice = SelectedDeviceRow(outputs_);
}

}  // namespace ob
