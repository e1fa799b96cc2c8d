// What an editor view draws with: the display option bits of a record and
// the eight drawing colours (in the order of the settings' Clr1..Clr8).
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace ob {

// Bits of WaveRecord::displayOptions (the View menu's options).
enum ViewOption : uint32_t {
    kViewOverview = 0x01,     // overview strip of the whole sound on top
    kViewEditStatus = 0x02,   // affect area and edit channel line at the bottom
    kViewColorPoint = 0x04,   // sample points in their own colour
    kViewXYReadout = 0x08,    // time and level beside the pointer
    kViewBoxOutline = 0x10,   // a frame round every lane
    kViewHideMarkers = 0x20,  // markers not drawn nor draggable (Marker Show off)
};

// The eight colours in the order of the settings (Clr1..Clr8) and of the
// Set Colors dialog; the eighth shades the affect area.
enum ColourRole : int {
    kColourBackground = 0,
    kColourWaveform = 1,
    kColourAxis = 2,
    kColourLabels = 3,
    kColourMarkers = 4,
    kColourLoops = 5,
    kColourPoint = 6,
    kColourSelection = 7,
    kColourRoles = 8,
};

struct ViewColours {
    QColor role[kColourRoles];

    // Colours from the settings' words (red in the low byte).
    static ViewColours FromWords(const uint32_t words[kColourRoles]) {
        ViewColours c;
        for (int i = 0; i < kColourRoles; ++i)
            c.role[i] = QColor(words[i] & 0xFF, (words[i] >> 8) & 0xFF, (words[i] >> 16) & 0xFF);
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
