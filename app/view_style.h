// What an editor view draws with: the display option bits of a record and
// the eight drawing colours (in the order of the settings' Clr1..Clr8).
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace ob {

// Bits of WaveRecord::displayOptions (the View menu's options).
enum ViewOption : uint32_t {
    kViewOverview = 0x01,    // overview strip of the whole sound on top
    kViewEditStatus = 0x02,  // affect area and edit channel line at the bottom
    kViewColorPoint = 0x04,  // sample points in their own colour
    kViewXYReadout = 0x08,   // time and level beside the pointer
    kViewBoxOutline = 0x10,  // a frame round every lane
};

// The eight colours, settings slots 1..8.
enum ColourRole : int {
    kColourBackground = 0,
    kColourLabels = 1,
    kColourWaveform = 2,
    kColourMarkers = 3,
    kColourAxis = 4,
    kColourSelection = 5,
    kColourPoint = 6,
    kColourLoops = 7,
    kColourCount = 8,
};

struct ViewColours {
    QColor role[kColourCount];

    // The settings' default colours (red in the low byte of each word).
    static ViewColours Defaults() {
        static const uint32_t rgb[kColourCount] = {0xF5F6F4, 0x000000, 0x00FF00, 0x0000FF,
                                                   0x9B3700, 0x00FFFF, 0x37009B, 0xFF0000};
        ViewColours c;
        for (int i = 0; i < kColourCount; ++i)
            c.role[i] = QColor(rgb[i] & 0xFF, (rgb[i] >> 8) & 0xFF, (rgb[i] >> 16) & 0xFF);
        return c;
    }
    // Colours that follow the desktop's light or dark palette; used until the
    // shell hands over the configured ones.
    static ViewColours FromPalette(const QPalette& palette) {
        ViewColours c;
        const bool dark = palette.color(QPalette::Base).lightness() < 128;
        c.role[kColourBackground] = palette.color(QPalette::Base);
        c.role[kColourLabels] = palette.color(QPalette::Text);
        c.role[kColourWaveform] = dark ? QColor(90, 220, 120) : QColor(0, 130, 40);
        c.role[kColourMarkers] = dark ? QColor(255, 110, 110) : QColor(200, 0, 0);
        c.role[kColourAxis] = palette.color(QPalette::Mid);
        c.role[kColourSelection] = palette.color(QPalette::Highlight);
        c.role[kColourPoint] = dark ? QColor(255, 200, 80) : QColor(155, 0, 55);
        c.role[kColourLoops] = dark ? QColor(120, 160, 255) : QColor(0, 0, 220);
        return c;
    }
};

}  // namespace ob
