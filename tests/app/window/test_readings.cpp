// What the window's readings mean, on files made by the signal generator: the Phase view's
// angle between the channels, and nothing of the pane's band hidden at start.
#include <QAction>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/display/FrequencyPane.h"
#include "app/display/PanePixels.h"
#include "tests/app/window/WindowTestSupport.h"

namespace {

// Distance of 10 Hz and 40 Hz from the bottom of the frequency pane at the first-run
// Freq Scale (60: 59 Hz at the top, 0.1617 Hz per row).
constexpr int TenHzRow = 62;
constexpr int FortyHzRow = 247;

// Equal 10 Hz tones on both channels, channel 2's tone started `phase2` degrees ahead.
struct PhaseWindow : WindowRig {
    void Start(double phase2, SynthModulation modulation = SynthModulation::Am)
    {
        SignalGeneratorSettings s = ToneSettings(10.0, 10.0, modulation);
        s.TonePhaseDeg[1] = phase2;
        ASSERT_NO_FATAL_FAILURE(WriteSignalWave(Path("phase.wav"), s, 12));
        ASSERT_NO_FATAL_FAILURE(Open("file-loop:" + Path("phase.wav")));
        Form->Action(QStringLiteral("Phase1"))->trigger();
        ASSERT_EQ(Form->Display().Settings.DisplayType, DisplayPhase);
    }
    // The bar at 10 Hz in each of `blocks` blocks, after the chain has settled.
    std::vector<int> TenHzBars(int blocks)
    {
        Run(20);
        std::vector<int> bars;
        Run(blocks, [&](long long) { bars.push_back(Form->Display().Scratch->RowInterp[TenHzRow]); });
        return bars;
    }
};

}  // namespace

TEST(WindowPhase, ChannelsInPhaseReadZeroInEveryBlock)
{
    for (SynthModulation modulation : {SynthModulation::Am, SynthModulation::Fm}) {
        PhaseWindow w;
        ASSERT_NO_FATAL_FAILURE(w.Start(0.0, modulation));
        if (modulation == SynthModulation::Fm) w.Form->Action(QStringLiteral("FM1"))->trigger();
        for (int bar : w.TenHzBars(60))
            EXPECT_LE(std::abs(bar), 15) << (modulation == SynthModulation::Am ? "AM" : "FM");
    }
}

TEST(WindowPhase, AQuarterPeriodReadsNinetyDegreesSteadilyOnTheLeadersSide)
{
    // Channel 2 ahead: channel 1 lags, the bar grows left of the strip; and the other way.
    const struct {
        double Phase2;
        int Bar;
    } cases[] = {{90.0, -147}, {-90.0, 147}};
    for (const auto& c : cases) {
        PhaseWindow w;
        ASSERT_NO_FATAL_FAILURE(w.Start(c.Phase2));
        const std::vector<int> bars = w.TenHzBars(60);
        for (int bar : bars)
            EXPECT_NEAR(bar, c.Bar, 15) << "channel 2 at " << c.Phase2 << " degrees";
        const auto [low, high] = std::minmax_element(bars.begin(), bars.end());
        EXPECT_LE(*high - *low, 10) << "channel 2 at " << c.Phase2 << " degrees";
        // On the pane, in channel 2's colour, on the side of the leader.
        const QImage& pane = w.Form->Display().SpectrumImage.Image();
        const int y = SpectrumPaneHeight - TenHzRow;
        const int x = c.Bar > 0 ? PaneCentre + 5 + 130 : PaneCentre - 5 - 130;
        EXPECT_EQ(pane.pixel(x, y) & 0xFFFFFF, pane::ToRgb(w.Form->Display().Settings.Chan2Color) & 0xFFFFFF);
    }
}

TEST(WindowStart, TheSmoothingPassesTheWholeBandShownFromTheFirstBlock)
{
    // 40 Hz on channel 1, 10 Hz on channel 2: both lie inside the first-run pane (59 Hz).
    WindowRig w;
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(w.Path("forty.wav"), ToneSettings(40.0, 10.0), 6));
    ASSERT_NO_FATAL_FAILURE(w.Open("file-loop:" + w.Path("forty.wav")));
    TEEGForm& f = *w.Form;
    ASSERT_EQ(f.Proc().FreqScaleSetting, 24);
    // One channel drawn at a time: the rows then hold its bars.
    auto enable = [&f](bool one, bool two) {
        f.Panel().Chan1EnableSwitch->SetChecked(one);
        f.Settings().Chan1EnableSwitchClick();
        f.Panel().Chan2EnableSwitch->SetChecked(two);
        f.Settings().Chan2EnableSwitchClick();
    };
    enable(true, false);
    w.Run(15);
    const int forty = f.Display().Scratch->RowInterp[FortyHzRow];
    enable(false, true);
    w.Run(1);
    const int ten = f.Display().Scratch->RowInterp[TenHzRow];
    // The 40 Hz bar stands about as tall as the 10 Hz one (the chain's own gain there is 1.20
    // against 1.10).
    EXPECT_GT(ten, 20);
    EXPECT_NEAR(forty, ten * 1.2 / 1.1, 0.15 * ten);
    // Turning the dial to where it stands changes nothing: the filter was that one already.
    const IirCoefficients before = f.Proc().SmoothingLowPass;
    f.Panel().FreqBaseDial->SetValue(61.0f);
    f.Panel().FreqBaseDial->SetValue(60.0f);
    EXPECT_EQ(std::memcmp(&before, &f.Proc().SmoothingLowPass, sizeof before), 0);
}
