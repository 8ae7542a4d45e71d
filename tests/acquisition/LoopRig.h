#pragma once
// The acquisition loop over the scripted device with a recorder, as the loop tests and the
// held-loop tests drive it: processing designed, gains set, the headless host's timers
// connected to the loop's handlers (the capture time-out shortened to 20 ms).

#include <chrono>
#include <memory>

#include "RecorderHelpers.h"
#include "acquisition/AcquisitionLoop.h"
#include "acquisition/ScriptedBackend.h"
#include "dsp/Designs.h"

struct LoopRig {
    LoopRig()
        : state(std::make_unique<AcquisitionState>()),
          processing(std::make_unique<ProcessingState>()),
          recorder(*state, host, dialogs),
          loop(*state, *processing, host, backend, &recorder)
    {
        state->ApplyingSettings = false;
        StartupDesigns(*processing);
        processing->Chan1DemodGain = 0.1f;
        processing->Chan2DemodGain = 0.1f;
        host.TimeOutIntervalMs = 20;   // the 350 ms timer, shortened for the test
        ConnectTimers(host, loop);
        host.OnTimeOut = [this] {
            host.InTimeOutHandler = true;
            loop.TimeOutTimerTimer();
            host.InTimeOutHandler = false;
        };
        recorder.SetPatchInterval(std::chrono::milliseconds(0));
    }
    // Ends the running loop once `passes` capture waits have ended.
    void StopAfter(int passes)
    {
        host.OnPass = [this, passes] {
            if (host.PassEnds >= passes) state->AcquisitionIdle = true;
        };
    }

    std::unique_ptr<AcquisitionState> state;
    std::unique_ptr<ProcessingState> processing;
    PassHost host;
    ScriptedBackend backend;
    ScriptedDialogs dialogs;
    Recorder recorder;
    AcquisitionLoop loop;
};
