#include "acquisition/EdfRecorder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int SignalCount = 3;                          // two EEG signals and the annotations
constexpr int HeaderBytes = 256 * (SignalCount + 1);
constexpr off_t RecordCountOffset = 236;
constexpr int AnnotationSamples = EdfAnnotationBytes / 2;
constexpr size_t RecordBytes = 2 * EdfSamplesPerRecord * sizeof(int16_t) + EdfAnnotationBytes;
constexpr size_t MaxAnnotationText = 200;
constexpr int64_t TicksPerRecord = 12800;               // 1.28 s in 100 microsecond units

// EDF header fields: printable ASCII, left-justified, blank-padded, cut to the width.
void Field(std::string& header, std::string text, size_t width)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '_';
    text.resize(width, ' ');
    header += text;
}

std::string Number(long long value)
{
    return std::to_string(value);
}

// An EDF+ subfield holds no blanks.
std::string Subfield(std::string text)
{
    if (text.empty()) return "X";
    std::replace(text.begin(), text.end(), ' ', '_');
    return text;
}

// "+12.3456": an onset in 100 microsecond units.
std::string Onset(int64_t ticks)
{
    char text[32];
    std::snprintf(text, sizeof text, "+%lld.%04lld", static_cast<long long>(ticks / 10000),
                  static_cast<long long>(ticks % 10000));
    return text;
}

// Cuts `text` to at most `bytes` without splitting a UTF-8 sequence; control characters
// (which would end or split a TAL) become blanks.
std::string CleanAnnotation(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
    if (out.size() > MaxAnnotationText) {
        size_t cut = MaxAnnotationText;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    return out;
}

std::string Hz(double hz)
{
    char text[32];
    std::snprintf(text, sizeof text, hz == std::round(hz) ? "%.0f" : "%.1f", hz);
    return text;
}

// Power gain of two sections of a 4-pole set at `fraction` of the rate it runs at:
// y = sum a[k] x[n-k] + sum b[k] y[n-k].
double SectionPairPower(const IirCoefficients& set, double fraction)
{
    const double power = std::norm(IirResponse(set, fraction));
    return power * power;
}

}  // namespace

// ------------------------------------------------------------------------------ EdfRecorder

EdfRecorder::~EdfRecorder()
{
    if (IsOpen()) Close();
}

double EdfRecorder::Quantisation(int channel) const
{
    return PhysicalMax(channel) / EdfDigitalMax;
}

void EdfRecorder::Fail(const std::string& what)
{
    if (!failed_) error_ = what + ": " + std::strerror(errno);
    failed_ = true;
}

bool EdfRecorder::WriteAll(const void* data, size_t bytes)
{
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = ::write(fd_, p, bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool EdfRecorder::Open(const std::string& path, const EdfHeader& header, std::string& error)
{
    if (IsOpen()) Close();
    filled_ = 0;
    records_ = samples_ = dropped_ = 0;
    clipped_[0] = clipped_[1] = 0;
    pending_.clear();
    failed_ = false;
    error_.clear();
    std::time_t start = header.Start ? header.Start : std::time(nullptr);
    std::tm local{};
    localtime_r(&start, &local);
    // EDF's two-digit years cover 1985..2084.
    const int year = std::clamp(local.tm_year + 1900, 1985, 2084);
    static const char* const Months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    char date[48], time[48], startdate[48];
    std::snprintf(date, sizeof date, "%02d.%02d.%02d", local.tm_mday, local.tm_mon + 1, year % 100);
    std::snprintf(time, sizeof time, "%02d.%02d.%02d", local.tm_hour, local.tm_min, local.tm_sec);
    std::snprintf(startdate, sizeof startdate, "%02d-%s-%04d", local.tm_mday, Months[local.tm_mon], year);

    for (int s = 0; s < 2; ++s)
        physMax_[s] = std::clamp(std::ceil(header.Signals[s].PhysicalMax), 1.0, EdfPhysicalLimit);

    std::string h;
    h.reserve(HeaderBytes);
    Field(h, "0", 8);
    Field(h, "X X X X", 80);   // patient code, sex, birthdate, name: not known to the program
    Field(h, std::string("Startdate ") + startdate + " X X " + Subfield(header.Equipment) + " " +
                 header.RecordingAdditional, 80);
    Field(h, date, 8);
    Field(h, time, 8);
    Field(h, Number(HeaderBytes), 8);
    Field(h, "EDF+C", 44);
    Field(h, "0", 8);          // the record count, rewritten after every record
    Field(h, "1.28", 8);
    Field(h, Number(SignalCount), 4);
    for (int s = 0; s < 2; ++s) Field(h, header.Signals[s].Label, 16);
    Field(h, "EDF Annotations", 16);
    for (int s = 0; s < 2; ++s) Field(h, header.Signals[s].Transducer, 80);
    Field(h, "", 80);
    for (int s = 0; s < 2; ++s) Field(h, header.Signals[s].Dimension, 8);
    Field(h, "", 8);
    for (int s = 0; s < 2; ++s) Field(h, Number(-static_cast<long long>(physMax_[s])), 8);
    Field(h, "-1", 8);
    for (int s = 0; s < 2; ++s) Field(h, Number(static_cast<long long>(physMax_[s])), 8);
    Field(h, "1", 8);
    for (int s = 0; s < 2; ++s) Field(h, Number(-EdfDigitalMax), 8);
    Field(h, "-32768", 8);
    for (int s = 0; s < 2; ++s) Field(h, Number(EdfDigitalMax), 8);
    Field(h, "32767", 8);
    for (int s = 0; s < 2; ++s) Field(h, header.Signals[s].Prefilter, 80);
    Field(h, "", 80);
    for (int s = 0; s < 2; ++s) Field(h, Number(EdfSamplesPerRecord), 8);
    Field(h, Number(AnnotationSamples), 8);
    for (int s = 0; s < SignalCount; ++s) Field(h, "", 32);

    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    path_ = path;
    if (!WriteAll(h.data(), h.size())) {
        error = std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void EdfRecorder::Annotate(const std::string& text)
{
    if (!IsOpen()) return;
    const int64_t ticks = std::llround(static_cast<double>(samples_) * TicksPerRecord / EdfSamplesPerRecord);
    pending_.push_back({ticks, CleanAnnotation(text)});
}

bool EdfRecorder::AddSamples(const int32_t* chan1, const int32_t* chan2, int count)
{
    if (!IsOpen() || failed_) return false;
    const int32_t* in[2] = {chan1, chan2};
    for (int i = 0; i < count; ++i) {
        for (int s = 0; s < 2; ++s) {
            const double x = in[s][i];
            double d = std::nearbyint(x * EdfDigitalMax / physMax_[s]);
            if (std::fabs(x) > physMax_[s]) {
                ++clipped_[s];
                d = x > 0 ? EdfDigitalMax : -EdfDigitalMax;
            }
            buffer_[s][filled_] = static_cast<int16_t>(std::clamp(d, -1.0 * EdfDigitalMax, 1.0 * EdfDigitalMax));
        }
        ++samples_;
        if (++filled_ == EdfSamplesPerRecord && !WriteRecord()) return false;
    }
    return true;
}

bool EdfRecorder::WriteRecord()
{
    unsigned char record[RecordBytes] = {};
    unsigned char* p = record;
    for (int s = 0; s < 2; ++s)
        for (int i = 0; i < EdfSamplesPerRecord; ++i) {
            const uint16_t v = static_cast<uint16_t>(i < filled_ ? buffer_[s][i] : 0);
            *p++ = static_cast<unsigned char>(v & 0xFF);
            *p++ = static_cast<unsigned char>(v >> 8);
        }
    // The time-keeping TAL first, then as many pending events as fit; the rest wait for the
    // next record (EDF+ readers take each TAL's onset, not the record it sits in).
    char keeping[40];
    const int keepingBytes = std::snprintf(keeping, sizeof keeping, "+%lld.%02lld\x14\x14",
                                           static_cast<long long>(records_ * 128 / 100),
                                           static_cast<long long>(records_ * 128 % 100));
    std::string tal(keeping, static_cast<size_t>(keepingBytes) + 1);   // with its closing 0
    while (!pending_.empty()) {
        std::string entry = Onset(pending_.front().Onset) + "\x14" + pending_.front().Text + "\x14";
        entry.push_back('\0');
        if (tal.size() + entry.size() > EdfAnnotationBytes) break;
        tal += entry;
        pending_.pop_front();
    }
    std::memcpy(p, tal.data(), tal.size());
    filled_ = 0;
    if (!WriteAll(record, sizeof record)) {
        Fail("cannot write data record " + std::to_string(records_ + 1));
        // A part of a record would make the size disagree with the count and readers refuse
        // the whole file: cut it back to the records that are complete.
        if (::ftruncate(fd_, HeaderBytes + records_ * static_cast<off_t>(RecordBytes)) != 0)
            error_ += " (the file keeps a partial record)";
        return false;
    }
    ++records_;
    return PatchRecordCount();
}

bool EdfRecorder::PatchRecordCount()
{
    std::string count;
    Field(count, Number(records_), 8);
    if (::pwrite(fd_, count.data(), count.size(), RecordCountOffset) != static_cast<ssize_t>(count.size())) {
        Fail("cannot update the record count");
        return false;
    }
    return true;
}

bool EdfRecorder::Close()
{
    if (!IsOpen()) return !failed_;
    if (!failed_ && (filled_ > 0 || !pending_.empty())) {
        Annotate("End of recording");
        WriteRecord();
        // A burst larger than one record's TAL space: further zero records would invent data.
        dropped_ += static_cast<int64_t>(pending_.size());
        pending_.clear();
    }
    if (::close(fd_) != 0) Fail("cannot close the file");
    fd_ = -1;
    return !failed_;
}

// ------------------------------------------------------------------------------ Descriptions

PostFilterEdges PostFilterInForce(const ProcessingState& state)
{
    PostFilterEdges edges;
    edges.Band = state.FilterEnabled;
    auto power = [&](double fraction) {
        if (!edges.Band) return SectionPairPower(state.SmoothingLowPass, fraction);
        return SectionPairPower(state.MarkerLowPass, fraction) * SectionPairPower(state.MarkerHighPass, fraction);
    };
    // A scan at 0.01 Hz steps of the output rate's band, then the half-power crossings.
    constexpr int Steps = 17227;   // 0 .. 172.27 Hz
    double peak = 0.0;
    for (int i = 0; i <= Steps; ++i) peak = std::max(peak, power(0.5 * i / Steps));
    const double half = 0.5 * peak;
    int first = -1, last = -1;
    for (int i = 0; i <= Steps; ++i)
        if (power(0.5 * i / Steps) >= half) {
            if (first < 0) first = i;
            last = i;
        }
    const double hzPerStep = 0.5 * EdfSampleRate / Steps;
    edges.LowHz = edges.Band && first > 0 ? first * hzPerStep : 0.0;
    edges.HighHz = last >= 0 ? last * hzPerStep : 0.0;
    return edges;
}

std::string PostFilterText(const ProcessingState& state)
{
    const PostFilterEdges e = PostFilterInForce(state);
    if (e.Band) return "HP:" + Hz(e.LowHz) + "Hz LP:" + Hz(e.HighHz) + "Hz (marker band-pass)";
    return "LP:" + Hz(e.HighHz) + "Hz (smoothing low-pass)";
}

double ChainMaximum(const ProcessingState& state, int channel)
{
    const double gain = std::fabs(static_cast<double>(channel == 2 ? state.Chan2DemodGain : state.Chan1DemodGain));
    const double full = state.ModulationType == 2 ? 250.0 * state.SampleRate / 2.0 * gain : 32768.0 * 50.0 * gain;
    if (!std::isfinite(full)) return EdfPhysicalLimit;
    // The gains are single precision (0.1f is 0.10000000149): a whole maximum stays whole.
    const double whole = std::round(full);
    const double range = std::fabs(full - whole) <= 1e-6 * full ? whole : std::ceil(full);
    return std::clamp(range, 1.0, EdfPhysicalLimit);
}

std::string ModulationAnnotation(int32_t modulationType)
{
    return modulationType == 2 ? "Modulation FM" : "Modulation AM";
}

std::string CarrierAnnotation(float chan1Hz, float chan2Hz)
{
    return "Carriers Ch1 " + Hz(chan1Hz) + " Hz, Ch2 " + Hz(chan2Hz) + " Hz";
}

std::string GainAnnotation(int channel, float gain)
{
    char text[64];
    std::snprintf(text, sizeof text, "Gain Ch%d %g", channel, static_cast<double>(gain));
    return text;
}

EdfHeader DescribeRecording(const ProcessingState& state)
{
    EdfHeader header;
    const char* mod = state.ModulationType == 2 ? "FM" : "AM";
    const float carriers[2] = {state.Chan1CarrierHz, state.Chan2CarrierHz};
    const std::string filter = PostFilterText(state);
    header.RecordingAdditional = std::string(mod) + " carriers " + Hz(carriers[0]) + "/" + Hz(carriers[1]) + " Hz";
    for (int s = 0; s < 2; ++s) {
        EdfSignal& signal = header.Signals[s];
        signal.Label = s == 0 ? "EEG Ch1" : "EEG Ch2";
        signal.Transducer = std::string(mod) + " telemetry carrier " + Hz(carriers[s]) + " Hz, sound card 44100 Hz";
        signal.Prefilter = filter;
        signal.PhysicalMax = ChainMaximum(state, s + 1);
    }
    return header;
}

// ------------------------------------------------------------------------------ EdfSession

EdfSession::Settings EdfSession::Snapshot(const ProcessingState& state, const Settings* previous)
{
    Settings s;
    s.ModulationType = state.ModulationType;
    s.Carrier[0] = state.Chan1CarrierHz;
    s.Carrier[1] = state.Chan2CarrierHz;
    s.Gain[0] = state.Chan1DemodGain;
    s.Gain[1] = state.Chan2DemodGain;
    s.FilterEnabled = state.FilterEnabled;
    s.Sets[0] = state.SmoothingLowPass;
    s.Sets[1] = state.MarkerLowPass;
    s.Sets[2] = state.MarkerHighPass;
    // The filter text costs a response scan: only when the sets in force have changed.
    const bool same = previous && previous->FilterEnabled == s.FilterEnabled &&
                      (s.FilterEnabled ? std::memcmp(&previous->Sets[1], &s.Sets[1], 2 * sizeof(IirCoefficients)) == 0
                                       : std::memcmp(&previous->Sets[0], &s.Sets[0], sizeof(IirCoefficients)) == 0);
    s.PostFilter = same ? previous->PostFilter : PostFilterText(state);
    return s;
}

bool EdfSession::Start(const std::string& path, const ProcessingState& state, std::string& error)
{
    if (Active()) Stop();
    if (!recorder_.Open(path, DescribeRecording(state), error)) return false;
    last_ = Snapshot(state, nullptr);
    lastBlock_.reset();
    char range[160];
    std::snprintf(range, sizeof range, "Range Ch1 +-%.0f, Ch2 +-%.0f trace units (steps of %.4g and %.4g)",
                  recorder_.PhysicalMax(1), recorder_.PhysicalMax(2), recorder_.Quantisation(1),
                  recorder_.Quantisation(2));
    recorder_.Annotate("Recording start");
    recorder_.Annotate(ModulationAnnotation(last_.ModulationType));
    recorder_.Annotate(CarrierAnnotation(last_.Carrier[0], last_.Carrier[1]));
    recorder_.Annotate(GainAnnotation(1, last_.Gain[0]));
    recorder_.Annotate(GainAnnotation(2, last_.Gain[1]));
    recorder_.Annotate("Post filter " + last_.PostFilter);
    recorder_.Annotate(range);
    return true;
}

void EdfSession::AnnotateChanges(const Settings& now)
{
    if (now.ModulationType != last_.ModulationType) recorder_.Annotate(ModulationAnnotation(now.ModulationType));
    if (now.Carrier[0] != last_.Carrier[0] || now.Carrier[1] != last_.Carrier[1])
        recorder_.Annotate(CarrierAnnotation(now.Carrier[0], now.Carrier[1]));
    for (int c = 0; c < 2; ++c)
        if (now.Gain[c] != last_.Gain[c]) recorder_.Annotate(GainAnnotation(c + 1, now.Gain[c]));
    if (now.PostFilter != last_.PostFilter) recorder_.Annotate("Post filter " + now.PostFilter);
}

bool EdfSession::Block(const ProcessingState& state, std::optional<Clock::time_point> now)
{
    if (!Active()) return false;
    if (now && lastBlock_ && *now - *lastBlock_ > GapThreshold) {
        const double seconds = std::chrono::duration<double>(*now - *lastBlock_).count();
        char text[96];
        std::snprintf(text, sizeof text, "Gap: no processed blocks for %.1f s", seconds);
        recorder_.Annotate(text);
    }
    if (now) lastBlock_ = now;
    const Settings settings = Snapshot(state, &last_);
    AnnotateChanges(settings);
    last_ = settings;
    const int first = TraceLength - OutputPerBlock;
    return recorder_.AddSamples(state.Chan1Trace + first, state.Chan2Trace + first, OutputPerBlock);
}

bool EdfSession::Stop()
{
    if (!Active()) return !recorder_.Failed();
    return recorder_.Close();
}

std::string EdfSession::Summary() const
{
    const EdfRecorder& r = recorder_;
    char text[512];
    int n = std::snprintf(text, sizeof text, "%lld data records (%.2f s) written to %s.",
                          static_cast<long long>(r.Records()), r.Records() * EdfRecordSeconds, r.Path().c_str());
    if (r.ClippedTotal() > 0 && n > 0 && n < static_cast<int>(sizeof text))
        n += std::snprintf(text + n, sizeof text - n,
                           " %lld samples were beyond the EDF+ range and were clipped (Ch1 %lld beyond +-%.0f, "
                           "Ch2 %lld beyond +-%.0f); a lower gain avoids this.",
                           static_cast<long long>(r.ClippedTotal()), static_cast<long long>(r.Clipped(1)),
                           r.PhysicalMax(1), static_cast<long long>(r.Clipped(2)), r.PhysicalMax(2));
    if (r.DroppedAnnotations() > 0 && n > 0 && n < static_cast<int>(sizeof text))
        std::snprintf(text + n, sizeof text - n, " %lld annotations did not fit and were left out.",
                      static_cast<long long>(r.DroppedAnnotations()));
    return text;
}
