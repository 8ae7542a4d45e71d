#include "dsp/BandPass.h"
#include "dsp/Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

double Magnitude(const FmBand& band, int slot)
{
    return std::hypot(static_cast<double>(band.ResponseRe[slot]), band.ResponseIm[slot]);
}

std::unique_ptr<FmBand> DesignedBand(float low, float high)
{
    auto band = std::make_unique<FmBand>();
    DesignBandPass(*band, 1024, low, high);
    return band;
}

} // namespace

TEST(DesignBandPass, ResponseOfTheSixteenToEighteenKilohertzBand)
{
    // Slot s lies at s x 21.533 Hz; the band is 16250 .. 17750 Hz.
    const auto band = DesignedBand(16250.0f / 44100.0f, 17750.0f / 44100.0f);
    // 0.999 to three places: the two end slots read 0.99896 and 0.99886.
    for (int s = 760; s <= 819; ++s) {
        EXPECT_GE(Magnitude(*band, s), 0.9988) << s;
        EXPECT_LE(Magnitude(*band, s), 1.0002) << s;
    }
    EXPECT_NEAR(Magnitude(*band, 820), 0.991, 0.002);
    EXPECT_NEAR(Magnitude(*band, 755), 0.57, 0.02);
    EXPECT_NEAR(Magnitude(*band, 824), 0.56, 0.02);
    for (int s = 0; s < 1024; ++s) {
        if (s < 748 || s > 832) {
            EXPECT_LE(Magnitude(*band, s), 1.6e-4) << s;
        }
    }
    // Packed slot 0: the kernel's response at DC and at 22050 Hz, both close to zero.
    EXPECT_LE(std::abs(band->ResponseRe[0]), 1e-5);
    EXPECT_LE(std::abs(band->ResponseIm[0]), 1e-5);
}

TEST(DesignBandPass, KernelShapeAndStorage)
{
    auto band = std::make_unique<FmBand>();
    std::fill(std::begin(band->Kernel), std::end(band->Kernel), 7.0f);  // stale contents
    DesignBandPass(*band, 1024, 18395.0f / 44100.0f, 19895.0f / 44100.0f);
    for (int i = 1025; i < FmKernelLength; ++i)
        ASSERT_EQ(band->Kernel[i], 0.0f) << i;
    double sum = 0.0, energy = 0.0;
    for (int i = 0; i <= 1024; ++i) {
        EXPECT_NEAR(band->Kernel[i], band->Kernel[1024 - i], 1e-6) << i;  // linear phase
        sum += band->Kernel[i];
        energy += band->Kernel[i] * band->Kernel[i];
    }
    EXPECT_NEAR(sum, 0.0, 1e-5);  // no DC through a band-pass
    // The peak tap of a unit-gain band-pass is twice its width in fractions of the rate.
    EXPECT_NEAR(band->Kernel[512], 2 * 1500.0 / 44100.0, 5e-4);
    EXPECT_GT(energy, 0.0);

    // A kernel longer than 1024 would wrap around in the 2048-point convolution: it is held
    // at 1024 taps. An edge at 0 gives an empty low-pass instead of a division by zero.
    DesignBandPass(*band, 4000, 0.0f, 0.2f);
    for (int i = 1025; i < FmKernelLength; ++i)
        ASSERT_EQ(band->Kernel[i], 0.0f) << i;
    for (int i = 0; i <= 1024; ++i)
        ASSERT_TRUE(std::isfinite(band->Kernel[i])) << i;
    EXPECT_NEAR(Magnitude(*band, 100), 1.0, 1e-3);  // 100 slots = 2153 Hz, inside 0 .. 8820 Hz
}

TEST(FmOverlapAddQuarter, ConsecutiveQuartersEqualLinearConvolution)
{
    const auto band = DesignedBand(16250.0f / 44100.0f, 17750.0f / 44100.0f);
    const int quarters = 6;
    const int total = quarters * FmQuarter;
    std::mt19937 gen(42);
    std::uniform_real_distribution<float> dist(-30000.0f, 30000.0f);
    std::vector<float> in(total);
    for (float& v : in)
        v = dist(gen);

    auto scratch = std::make_unique<FmScratch>();
    std::vector<float> out(total), tail(FmQuarter, 0.0f);
    for (int q = 0; q < quarters; ++q)
        FmOverlapAddQuarter(in.data() + q * FmQuarter, *band, tail.data(),
                            out.data() + q * FmQuarter, *scratch);

    // Direct convolution in double with the 1025-tap kernel.
    double worst = 0.0;
    for (int n = 0; n < total; ++n) {
        double y = 0.0;
        for (int k = 0; k <= 1024 && k <= n; ++k)
            y += static_cast<double>(band->Kernel[k]) * in[n - k];
        worst = std::max(worst, std::abs(y - out[n]));
    }
    EXPECT_LE(worst, 30000.0 * 1.5e-6);  // measured 6e-7 of the input peak

    // The same quarters processed in place (output over input) give the same samples.
    std::vector<float> inPlace = in;
    std::fill(tail.begin(), tail.end(), 0.0f);
    for (int q = 0; q < quarters; ++q)
        FmOverlapAddQuarter(inPlace.data() + q * FmQuarter, *band, tail.data(),
                            inPlace.data() + q * FmQuarter, *scratch);
    EXPECT_EQ(inPlace, out);

    // Both channels from the same input at once: the same samples as one channel at a time.
    const auto other = DesignedBand(18395.0f / 44100.0f, 19895.0f / 44100.0f);
    std::vector<float> single2(total), tail2(FmQuarter, 0.0f);
    for (int q = 0; q < quarters; ++q)
        FmOverlapAddQuarter(in.data() + q * FmQuarter, *other, tail2.data(),
                            single2.data() + q * FmQuarter, *scratch);
    std::vector<float> pair1 = in, pair2(total);
    std::vector<float> pairTail1(FmQuarter, 0.0f), pairTail2(FmQuarter, 0.0f);
    for (int q = 0; q < quarters; ++q)
        FmOverlapAddQuarterPair(pair1.data() + q * FmQuarter, *band, pairTail1.data(),
                                pair1.data() + q * FmQuarter, *other, pairTail2.data(),
                                pair2.data() + q * FmQuarter, *scratch);
    EXPECT_EQ(pair1, out);
    EXPECT_EQ(pair2, single2);
    EXPECT_EQ(pairTail1, tail);
    EXPECT_EQ(pairTail2, tail2);
}

TEST(FmOverlapAddQuarter, PassesTheBandAndStopsTheOtherCarrier)
{
    // 17000 Hz lies in the band, 19145 Hz (the other channel's carrier) far outside it.
    const auto band = DesignedBand(16250.0f / 44100.0f, 17750.0f / 44100.0f);
    auto scratch = std::make_unique<FmScratch>();
    for (double hz : {17000.0, 19145.0}) {
        std::vector<float> in(8 * FmQuarter), out(8 * FmQuarter), tail(FmQuarter, 0.0f);
        for (size_t n = 0; n < in.size(); ++n)
            in[n] = static_cast<float>(10000.0 * std::sin(2 * 3.14159265358979 * hz * n / 44100.0));
        for (int q = 0; q < 8; ++q)
            FmOverlapAddQuarter(in.data() + q * FmQuarter, *band, tail.data(),
                                out.data() + q * FmQuarter, *scratch);
        double peak = 0.0;
        for (size_t n = 2 * FmQuarter; n < out.size(); ++n)
            peak = std::max(peak, std::abs(static_cast<double>(out[n])));
        if (hz == 17000.0) {
            EXPECT_NEAR(peak, 10000.0, 10.0);
            // About 512 samples of delay: the output follows the input 512 samples later.
            EXPECT_NEAR(out[5000], in[5000 - 512], 10.0);
        } else {
            EXPECT_LE(peak, 10000.0 * 2e-4);
        }
    }
}

TEST(FmOverlapAddQuarter, ReplacedResponseTakesOverWhileTheTailCarriesTheOldOne)
{
    // A band redesigned between quarters: the next quarter uses the new response, and the
    // tail adds the old filter's output of the previous quarter.
    const auto oldBand = DesignedBand(16250.0f / 44100.0f, 17750.0f / 44100.0f);
    const auto newBand = DesignedBand(18395.0f / 44100.0f, 19895.0f / 44100.0f);
    std::mt19937 gen(8);
    std::uniform_real_distribution<float> dist(-20000.0f, 20000.0f);
    std::vector<float> in(3 * FmQuarter);
    for (float& v : in)
        v = dist(gen);
    auto scratch = std::make_unique<FmScratch>();
    std::vector<float> out(3 * FmQuarter), tail(FmQuarter, 0.0f);
    FmOverlapAddQuarter(in.data(), *oldBand, tail.data(), out.data(), *scratch);
    FmOverlapAddQuarter(in.data() + FmQuarter, *oldBand, tail.data(), out.data() + FmQuarter,
                        *scratch);
    FmOverlapAddQuarter(in.data() + 2 * FmQuarter, *newBand, tail.data(),
                        out.data() + 2 * FmQuarter, *scratch);
    double worst = 0.0;
    for (int i = 0; i < FmQuarter; ++i) {
        double y = 0.0;
        for (int k = 0; k <= i; ++k)  // this quarter through the new kernel
            y += static_cast<double>(newBand->Kernel[k]) * in[2 * FmQuarter + i - k];
        for (int k = i + 1; k <= 1024; ++k)  // the previous quarter's overflow, old kernel
            y += static_cast<double>(oldBand->Kernel[k]) * in[2 * FmQuarter + i - k];
        worst = std::max(worst, std::abs(y - out[2 * FmQuarter + i]));
    }
    EXPECT_LE(worst, 20000.0 * 1.5e-6);
}
