// Backups, Smoothing and Set Colors.
#include "app/setup_dialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dsp/frame.h"
#include "script/recorder.h"
#include "script/settings_store.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

void RunBackupsDialog(QWidget* parent) {
    OpenProcessDialog(nullptr, kDialogBackups, [&] {
        bool ok = false;
        int depth =
            QInputDialog::getInt(parent, "Backups", "Number of undo &backups kept:", int(gBackups),
                                 0, int(kMaxBackups), 1, &ok);
        if (!ok) return;
        SetBackupDepth(depth);
        RecordLine([&] { return BackupsMacroLine(gBackups); });
    });
}

void RunSmoothingDialog(QWidget* parent) {
    OpenProcessDialog(nullptr, kDialogSmooth, [&] {
        QDialog dialog(parent);
        dialog.setObjectName("smoothingDialog");
        dialog.setWindowTitle("Smoothing");
        auto* form = new QFormLayout(&dialog);
        auto* time = new QSpinBox;
        time->setRange(0, 1000000);
        time->setSuffix(" ms");
        time->setValue(int(gProcessing.smoothingMs));
        form->addRow("Smoothing &time:", time);
        auto* start = new QCheckBox("Smooth at the &start of the area");
        start->setChecked(gProcessing.smoothingOptions & kSmoothStart);
        auto* end = new QCheckBox("Smooth at the &end of the area");
        end->setChecked(gProcessing.smoothingOptions & kSmoothEnd);
        form->addRow(start);
        form->addRow(end);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        form->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted) return;
        SetSmoothingTime(uint32_t(time->value()));
        gProcessing.smoothingOptions =
            (start->isChecked() ? kSmoothStart : 0) | (end->isChecked() ? kSmoothEnd : 0);
    });
}

namespace {
QColor ColourOf(uint32_t value) {
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}
uint32_t ValueOf(const QColor& colour) {
    return uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
}
void PaintButton(QPushButton* button, uint32_t value) {
    button->setStyleSheet(QString("background-color: %1").arg(ColourOf(value).name()));
}
}  // namespace

void RunSetColorsDialog(QWidget* parent) {
    OpenProcessDialog(nullptr, kDialogSetColors, [&] {
        static const char* const kComponents[7] = {
            "&Background", "&Waveform", "&Axis", "&Labels", "&Markers", "L&oops", "&Color Point"};
        uint32_t colours[kColourCount];
        std::copy(gShellSettings.colours, gShellSettings.colours + kColourCount, colours);
        QDialog dialog(parent);
        dialog.setObjectName("setColorsDialog");
        dialog.setWindowTitle("Set Colors");
        auto* form = new QFormLayout(&dialog);
        for (int i = 0; i < 7; ++i) {
            auto* button = new QPushButton;
            button->setObjectName(QString("colour%1").arg(i + 1));
            PaintButton(button, colours[i]);
            QObject::connect(button, &QPushButton::clicked, &dialog, [&, i, button] {
                QColor chosen =
                    QColorDialog::getColor(ColourOf(colours[i]), &dialog, kComponents[i]);
                if (!chosen.isValid()) return;
                colours[i] = ValueOf(chosen);
                PaintButton(button, colours[i]);
            });
            form->addRow(kComponents[i], button);
        }
        auto* all = new QCheckBox("Apply to all &open editors");
        all->setChecked(true);
        form->addRow(all);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        form->addRow(buttons);
        if (dialog.exec() != QDialog::Accepted) return;
        std::copy(colours, colours + kColourCount, gShellSettings.colours);
        if (all->isChecked())
            for (int n = 1; n < kEditorSlots; ++n)
                if (gEditorSlots[n]) NotifyChange(gEditorSlots[n], kChangeView);
    });
}

}  // namespace ob
