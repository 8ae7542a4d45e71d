#pragma once
// Chooses a wave-input backend by name:
//   "portaudio"          the default input device through PortAudio (live capture)
//   "demo", "demo-am"    the EEG-like demo signal, AM, paced in real time
//   "demo-fm"            the same, FM
//   "file:PATH"          the sample data of a WAVE file at `pace`; silence once the file
//                        has ended
//   "file-loop:PATH"     the same, starting over at the end of the file
//   "silence"            zeros at `pace` (the tools' playback runs on this, fast)
//   "scripted"           the test double, with nothing scripted

#include <memory>
#include <string>

#include "acquisition/FileBackend.h"
#include "acquisition/WaveIn.h"

// Null with a message in `error` for an unknown name or a file that cannot be used. `pace`
// applies to the file inputs and silence: as fast as the loop takes them, or a card's pace.
std::unique_ptr<WaveInBackend> MakeWaveInBackend(const std::string& name, std::string& error,
                                                 SourcePace pace = SourcePace::Fast);
// The names MakeWaveInBackend knows, for help texts.
const char* WaveInBackendNames();
