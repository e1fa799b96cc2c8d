// Until the waveform view exists, an editor shows a plain panel with the
// record's facts; view commands then report that they are not available.
#include "app/view_factory.h"

#include <QLabel>

#include "wave/wave_record.h"

namespace ob {

QWidget* CreateWaveView(WaveRecord* record, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName("placeholderView");
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumSize(200, 100);
    label->setText(record && record->frameCount ? QString("%1 frames, %2 Hz, %3")
                                                      .arg(record->frameCount)
                                                      .arg(record->sampleRate)
                                                      .arg(record->rightSamples ? "stereo" : "mono")
                                                : QString("No wave"));
    return label;
}

}  // namespace ob
