// The "FFT Spectrum Analysis" dialog: point size, option flags and draw
// styles (kept between uses); on OK the record count, the analysis of the
// affect area and the analysis window.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include "analysis/spectrum.h"
#include "app/editor_window.h"
#include "app/spectrum_window.h"
#include "base/messages.h"
#include "wave/record_report.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

struct Flag {
    const char* name;
    const char* text;
    uint32_t bit;
};
constexpr Flag kOptionFlags[] = {
    {"solid", "Make &Solid", kSpectrumSolid},
    {"whiteBackground", "&White Background", kSpectrumWhiteBackground},
    {"largeLabels", "&Large Labels", kSpectrumLargeLabels},
    {"scriptLabels", "S&cript Labels", kSpectrumScriptLabels},
    {"projectContours", "Project C&ontours", kSpectrumProjectContours},
    {"projectZones", "Project &Zones", kSpectrumProjectZones},
    {"highResolution", "&High Resolution", kSpectrumHighResolution},
    {"timeAxis", "Draw &Time Axis", kSpectrumTimeAxis},
    {"frequencyAxis", "Draw &Frequency Axis", kSpectrumFrequencyAxis},
    {"amplitudeAxis", "Draw &Amplitude Axis", kSpectrumAmplitudeAxis},
    {"logFrequency", "Lo&garithmic Frequency", kSpectrumLogFrequency},
    {"decibels", "Amplitude in &dB", kSpectrumDecibels},
    {"whiteMesh", "White &Mesh/Contours", kSpectrumWhiteMesh},
};
constexpr Flag kStyleFlags[] = {
    {"drawMesh", "M&esh", kDrawMesh},
    {"drawShaded", "Shade&d", kDrawShaded},
    {"drawContours", "Co&ntours", kDrawContours},
    {"drawZones", "Zo&nes", kDrawZones},
};
constexpr int kPointSizes[] = {64, 128, 256, 512, 1024, 2048};

class SpectrumDialog : public QDialog {
  public:
    SpectrumDialog(QWidget* parent, const SpectrumSettings& s) : QDialog(parent), settings_(s) {
        setObjectName("spectrumDialog");
        setWindowTitle("FFT Spectrum Analysis");
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        auto* rows = new QFormLayout;
        points_ = new QComboBox;
        points_->setObjectName("pointSize");
        for (int n : kPointSizes) points_->addItem(QString::number(n), n);
        points_->setCurrentIndex(points_->findData(DialogPointSize(s.pointSize)));
        rows->addRow("FFT &Point Size:", points_);
        layout->addLayout(rows);
        auto* options = new QGroupBox("Options");
        auto* grid = new QGridLayout(options);
        int i = 0;
        for (const Flag& f : kOptionFlags) {
            auto* box = new QCheckBox(f.text);
            box->setObjectName(f.name);
            box->setChecked(s.options & f.bit);
            grid->addWidget(box, i / 2, i % 2);
            options_.push_back(box);
            ++i;
        }
        layout->addWidget(options);
        auto* styles = new QGroupBox("Draw Styles");
        auto* row = new QHBoxLayout(styles);
        for (const Flag& f : kStyleFlags) {
            auto* box = new QCheckBox(f.text);
            box->setObjectName(f.name);
            box->setChecked(s.drawStyles & f.bit);
            row->addWidget(box);
            styles_.push_back(box);
        }
        layout->addWidget(styles);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->setObjectName("buttons");
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }
    // The controls' settings (the source and record count are the caller's).
    SpectrumSettings Settings() const {
        SpectrumSettings s = settings_;
        s.pointSize = points_->currentData().toInt();
        s.options = 0;
        for (size_t i = 0; i < options_.size(); ++i)
            if (options_[i]->isChecked()) s.options |= kOptionFlags[i].bit;
        s.drawStyles = 0;
        for (size_t i = 0; i < styles_.size(); ++i)
            if (styles_[i]->isChecked()) s.drawStyles |= uint8_t(kStyleFlags[i].bit);
        return s;
    }

  private:
    SpectrumSettings settings_;
    QComboBox* points_;
    std::vector<QCheckBox*> options_;
    std::vector<QCheckBox*> styles_;
};

void CloseAnalysisWindow() {
    if (SpectrumWindow* window = SpectrumWindow::Current()) window->close();
}

}  // namespace

void RunSpectrumAnalysis(EditorWindow* editor) {
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!WaveHasData(record)) {
        ReportMessage(editor, "Spectral Analysis Error", "No waveform data available");
        CloseAnalysisWindow();
        return;
    }
    bool accepted = false;
    SpectrumSettings chosen;
    QPointer<EditorWindow> alive = editor;
    OpenProcessDialog(record, kDialogFft, [&] {
        SpectrumDialog dialog(editor->window(), CurrentSpectrumSettings());
        // Closing the editor cancels the dialog: nothing is analysed from a freed wave.
        QObject::connect(editor, &QObject::destroyed, &dialog, &QDialog::reject);
        if (dialog.exec() == QDialog::Accepted) {
            accepted = true;
            chosen = dialog.Settings();
        }
    });
    record = accepted && alive ? alive->Record() : nullptr;
    if (!record) return;
    // The settings are kept whether or not the analysis can be made.
    chosen.sourceEditor = editor->Number();
    FrameRange area = AffectRange(*record);
    chosen.records =
        SpectrumRecordCount(record->frameCount, area.start, area.length, chosen.pointSize);
    CurrentSpectrumSettings() = chosen;
    if (!WaveHasData(record)) {
        ReportMessage(editor, "Spectral Analysis Error", "No waveform data available");
        CloseAnalysisWindow();
        return;
    }
    if (chosen.records == 0) {
        ReportMessage(editor, kSpectrumCaption, kSpectrumTooSmallText);
        return;
    }
    SpectrumData data;
    int result = AnalyseSpectrum(record->leftSamples, record->frameCount, record->sampleRate,
                                 area.start, chosen.records, chosen.pointSize,
                                 (chosen.options & kSpectrumDecibels) != 0, &data);
    if (result != kSpectrumOk) {
        ReportMessage(editor, kSpectrumCaption, SpectrumResultText(result));
        return;
    }
    if (!SpectrumWindow::Show(editor->window(), editor, QString::fromStdString(TitleOf(*record)),
                              data, chosen.options, chosen.drawStyles))
        ReportMessage(editor, kSpectrumCaption, "Could not create Spectral Analysis window");
}

}  // namespace ob
