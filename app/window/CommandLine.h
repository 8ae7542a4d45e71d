#pragma once
// The program's command line:
//   velquor [--input BACKEND] [--fast] [--screenshot FILE.png [--blocks N] [--focus CONTROL]] [--help] [--version]

#include <memory>
#include <string>
#include <vector>

#include "acquisition/FileBackend.h"
#include "acquisition/WaveIn.h"

inline constexpr const char* VelquorVersionLine = "         Version 1.17 ";
inline constexpr int DefaultScreenshotBlocks = 100;

struct ProgramOptions {
    std::string Input = "portaudio";
    bool Fast = false;                       // file inputs as fast as they are processed
    std::string Screenshot;                  // empty: run interactively
    int Blocks = DefaultScreenshotBlocks;    // processed blocks before the screenshot
    std::string Focus;                       // component name of the control focused for the screenshot
    bool Help = false;
    bool Version = false;
    std::string Error;                       // set when the command line is unusable
};

ProgramOptions ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

// The wave input a --input name stands for. "auto" becomes the default capture device
// when PortAudio finds one that takes the capture format, else the demo signal;
// `chosen` receives the backend name actually used (for "auto", with the reason).
// Null with `error` set when the name is unknown or the file cannot be used.
std::unique_ptr<WaveInBackend> MakeInput(const std::string& name, std::string& chosen, std::string& error,
                                         SourcePace pace);
// How the window's file inputs deliver: at a sound card's pace, so a file is watched in
// real time; as fast as they are processed with --fast, and for a screenshot, which only
// wants its blocks.
SourcePace InputPace(const ProgramOptions& options);
