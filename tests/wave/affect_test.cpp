// Affect area, affect channels and the zoom rule.
#include <gtest/gtest.h>

#include "wave/wave_record.h"
#include "wave_fixture.h"

using namespace ob;

TEST(Affect, RangeForEveryArea) {
    SlotsGuard guard;
    ScopedRecord s;
    WaveRecord& r = s.record;
    EXPECT_EQ(AffectRange(r).length, 0u);  // no wave
    ASSERT_TRUE(GiveWave(r, 10000, true));

    gEditing.affectArea = kAffectAll;
    EXPECT_EQ(AffectRange(r).start, 0u);
    EXPECT_EQ(AffectRange(r).length, 10000u);

    // In View: no drawing area gives 2 frames; otherwise the zoom rule, cut at the end.
    gEditing.affectArea = kAffectInView;
    r.viewStart = 100;
    r.viewWidth = 0;
    EXPECT_EQ(AffectRange(r).start, 100u);
    EXPECT_EQ(AffectRange(r).length, 2u);
    r.viewWidth = 500;
    r.viewSpan = 1000;
    EXPECT_EQ(AffectRange(r).length, 1500u);  // 3 frames per pixel
    r.viewStart = 9000;
    EXPECT_EQ(AffectRange(r).length, 1000u);
    r.viewStart = 9999;
    r.viewWidth = 0;
    EXPECT_EQ(AffectRange(r).length, 1u);

    // Markers: missing marker 0 or 1 means both count as 0.
    gEditing.affectArea = kAffectMarkers;
    EXPECT_EQ(AffectRange(r).start, 0u);
    EXPECT_EQ(AffectRange(r).length, 1u);
    SetMarker(r, 700, 0, nullptr);
    EXPECT_EQ(AffectRange(r).start, 0u);
    EXPECT_EQ(AffectRange(r).length, 1u);
    SetMarker(r, 300, 1, nullptr);
    EXPECT_EQ(AffectRange(r).start, 300u);
    EXPECT_EQ(AffectRange(r).length, 401u);
    FindMarker(r, 1)->position = 50000;  // beyond the end: limited to the last frame
    EXPECT_EQ(AffectRange(r).start, 700u);
    EXPECT_EQ(AffectRange(r).length, 9300u);

    // Mouse: no area yet gives (0, 1) and selects the left channel; stored back.
    gEditing.affectArea = kAffectMouse;
    EXPECT_EQ(AffectRange(r).start, 0u);
    EXPECT_EQ(AffectRange(r).length, 1u);
    EXPECT_EQ(r.mouseChannels, unsigned(kEditLeft));
    EXPECT_EQ(r.mouseLength, 1u);
    r.mouseStart = 20000;
    r.mouseLength = 4000000000u;
    r.mouseChannels = kEditRight;
    FrameRange m = AffectRange(r);
    EXPECT_EQ(m.start, 9999u);
    EXPECT_EQ(m.length, 1u);
    EXPECT_EQ(r.mouseStart, 9999u);
    EXPECT_EQ(r.mouseLength, 1u);
    r.mouseStart = 9000;
    r.mouseLength = 5000;
    EXPECT_EQ(AffectRange(r).length, 1000u);
}

TEST(Affect, ChannelsAreLimitedToThoseThatExist) {
    SlotsGuard guard;
    ScopedRecord mono, stereo;
    EXPECT_EQ(AffectChannels(mono.record), 0u);
    ASSERT_TRUE(GiveWave(mono.record, 10, false));
    ASSERT_TRUE(GiveWave(stereo.record, 10, true));
    gEditing.editChannel = kEditLeftRight;
    EXPECT_EQ(AffectChannels(mono.record), unsigned(kEditLeft));
    EXPECT_EQ(AffectChannels(stereo.record), unsigned(kEditLeftRight));
    gEditing.editChannel = kEditRight;
    EXPECT_EQ(AffectChannels(mono.record), 0u);
    EXPECT_EQ(AffectChannels(stereo.record), unsigned(kEditRight));
    gEditing.affectArea = kAffectMouse;
    stereo.record.mouseChannels = kEditLeft;
    mono.record.mouseChannels = kEditRight;
    EXPECT_EQ(AffectChannels(stereo.record), unsigned(kEditLeft));
    EXPECT_EQ(AffectChannels(mono.record), 0u);
}

TEST(Affect, ZoomRule) {
    EXPECT_EQ(VisibleFrames(800, 100), 100u);  // 8 pixels per frame
    EXPECT_EQ(VisibleFrames(800, 300), 400u);  // 2 pixels per frame: 800 / 2
    EXPECT_EQ(VisibleFrames(800, 800), 800u);
    EXPECT_EQ(VisibleFrames(800, 801), 1600u);           // 2 frames per pixel
    EXPECT_EQ(VisibleFrames(100, 79999), 80000u);        // q = 800, not rounded
    EXPECT_EQ(VisibleFrames(100, 80000), 100u * 1000);   // q = 801 -> 1000 (whole blocks)
    EXPECT_EQ(VisibleFrames(100, 120100), 100u * 1400);  // q = 1202 -> 1400
    EXPECT_EQ(VisibleFrames(0, 1000), 0u);
    EXPECT_EQ(VisibleFrames(10, 0), 1u);
    EXPECT_EQ(VisibleFrames(4000, 4294967295u), 4294967295u);  // saturates instead of wrapping
}
