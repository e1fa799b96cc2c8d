// The time ruler above the lanes and the level ruler beside each lane.
#pragma once

#include <QPainter>
#include <QRectF>

#include "app/view_mapping.h"
#include "app/view_style.h"
#include "wave/wave_record.h"

namespace ob {

// `rect` spans the lanes' width; x = rect.left() is mapping x 0.
void PaintTimeRuler(QPainter& painter, const QRectF& rect, const WaveRecord& record,
                    const ViewMapping& mapping, const QPalette& palette);
// `rect` is the ruler strip left of a lane; `lane` the lane itself (its top
// and height give the level mapping). `label` names the channel.
void PaintLevelRuler(QPainter& painter, const QRectF& rect, const QRectF& lane,
                     const WaveRecord& record, const QPalette& palette);

}  // namespace ob
