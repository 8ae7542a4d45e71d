#include "acquisition/Recorder.h"

#include <cstdio>

namespace {

constexpr const char* RecordErrorCaption = "Record Error";
constexpr const char* PlayErrorCaption = "Play Error";

}  // namespace

Recorder::Recorder(AcquisitionState& state, AcquisitionHost& host, FileDialogs& dialogs, HourCounterHooks* counter)
    : state_(state), host_(host), dialogs_(dialogs), counter_(counter)
{
}

// An output file still open is finished by the writer itself (sizes patched), without a
// message box: the window may already be gone.
Recorder::~Recorder() = default;

WaveFileFormat Recorder::CaptureFormat() const
{
    WaveFileFormat f;
    f.FormatTag = 1;
    f.Channels = state_.InputChannels;
    f.SampleRate = state_.SampleRate;
    f.ByteRate = state_.AvgBytesPerSec;
    f.BlockAlign = state_.BlockAlign;
    f.BitsPerSample = state_.BitsPerSample;
    return f;
}

bool Recorder::BlockMatches(const WaveFileFormat& format) const
{
    return format.Channels == state_.InputChannels && format.BlockAlign == state_.BlockAlign;
}

void Recorder::Highlight(RecorderButton button)
{
    for (int b = 0; b < 4; ++b) captionColors_[b] = b == button ? CaptionRed : CaptionNavy;
}

void Recorder::CloseInput()
{
    reader_.Close();
    state_.InputFileSet = false;
}

void Recorder::FinishOutput()
{
    const bool ok = writer_.Finish();
    state_.OutputFileSet = false;
    if (!ok) host_.ShowMessage(WriteFailure(), FileErrorCaption);
}

std::string Recorder::WriteFailure() const
{
    // The system's reason and what the finished file holds (whole frames, sizes to match).
    const double rate = writer_.Format().ByteRate ? writer_.Format().ByteRate : 1;
    char kept[96];
    std::snprintf(kept, sizeof kept, "%.2f s", static_cast<double>(writer_.DataBytes()) / rate);
    return "Could not write the Wave file (" + writer_.Error() + "). The file keeps the first " + kept +
           " recorded and plays to there.";
}

void Recorder::OpenWave1Click()
{
    if (state_.InputFileSet || reader_.IsOpen()) CloseInput();
    std::string name;
    if (!dialogs_.OpenWave(name)) return;
    state_.InputFileName = name;
    lastRefusal_ = {};
    if (!reader_.Open(name, CaptureFormat(), lastRefusal_)) {
        state_.InputFileSet = false;
        host_.ShowMessage(lastRefusal_.Text, lastRefusal_.Caption);
        return;
    }
    state_.InputFileSet = true;
    state_.PlayBytesLeft = reader_.DataBytes();
}

void Recorder::SaveWave1Click()
{
    if (state_.OutputFileSet || writer_.IsOpen()) FinishOutput();
    state_.RecordedBytes = 0;
    std::string name;
    if (!dialogs_.SaveWave(name)) return;
    state_.OutputFileName = name;
    if (!writer_.Create(name, CaptureFormat())) {
        state_.OutputFileSet = false;
        host_.ShowMessage("Could not open the Wave file (" + writer_.Error() + ")", FileErrorCaption);
        return;
    }
    state_.OutputFileSet = true;
}

void Recorder::RecordBtnClick()
{
    if (!state_.OutputFileSet) {
        host_.ShowMessage("No output file has been specified", RecordErrorCaption);
        return;
    }
    if (state_.RecorderState == RecorderRecord) return;
    Highlight(RecordBtn);
    if (counter_) counter_->SetCount(true);
    state_.RecorderState = RecorderRecord;
    state_.Recording = true;
    state_.Playing = false;
}

void Recorder::PlayBtnClick()
{
    if (!state_.InputFileSet) {
        host_.ShowMessage("No input file has been specified", PlayErrorCaption);
        return;
    }
    if (state_.RecorderState == RecorderPlay) return;
    Highlight(PlayBtn);
    if (counter_) counter_->SetCount(true);
    state_.RecorderState = RecorderPlay;
    state_.Playing = true;
    state_.Recording = false;
}

void Recorder::StopWvBtnClick()
{
    Highlight(StopWvBtn);
    if (counter_) {
        counter_->SetCount(false);
        counter_->ResetTime();
    }
    state_.RecorderState = RecorderStop;
    state_.Recording = false;
    state_.Playing = false;
    if (state_.OutputFileSet || writer_.IsOpen()) FinishOutput();
    if (state_.InputFileSet || reader_.IsOpen()) CloseInput();
}

void Recorder::PauseBtnClick()
{
    if (!state_.OutputFileSet && !state_.InputFileSet) return;
    Highlight(PauseBtn);
    if (counter_) counter_->SetCount(false);
    state_.RecorderState = RecorderPause;
    state_.Recording = false;
    state_.Playing = false;
    // A pause may last long: the header describes everything recorded so far.
    if (writer_.IsOpen()) writer_.Patch();
}

void Recorder::FinishOnExit()
{
    if (state_.OutputFileSet || writer_.IsOpen()) FinishOutput();
}

void Recorder::PlayStep(uint8_t* block)
{
    lastPlayBytes_ = 0;
    if (!state_.Playing || !state_.InputFileSet) return;
    const int64_t bufferBytes = state_.BufferBytes;
    if (state_.PlayBytesLeft <= -bufferBytes) {
        StopWvBtnClick();
        return;
    }
    host_.ProcessMessages();
    // A command run just now may have stopped playback or closed the file.
    if (!state_.Playing || !state_.InputFileSet) return;
    // After a Microphone/Line change the file's frames no longer fit the blocks.
    if (!BlockMatches(reader_.Format())) {
        StopWvBtnClick();
        return;
    }
    // A short read leaves the rest of the buffer as captured.
    lastPlayBytes_ = reader_.Read(block, static_cast<size_t>(bufferBytes));
    state_.PlayBytesLeft -= bufferBytes;
}

void Recorder::EndRecording(bool full)
{
    writer_.Finish();
    state_.RecordedBytes = writer_.DataBytes();
    state_.OutputFileSet = false;
    StopWvBtnClick();
    host_.ShowMessage(full ? std::string("The Wave file has reached its largest size") : WriteFailure(),
                      RecordErrorCaption);
}

void Recorder::RecordStep(const uint8_t* block)
{
    if (!state_.Recording || !state_.OutputFileSet) return;
    // A file keeps the format it was created with: blocks of another format end it.
    if (!BlockMatches(writer_.Format())) {
        StopWvBtnClick();
        return;
    }
    const size_t written = writer_.Write(block, state_.BufferBytes);
    state_.RecordedBytes = writer_.DataBytes();
    if (writer_.Failed())
        EndRecording(false);
    else if (written < state_.BufferBytes)
        EndRecording(true);
}
