// Unit _OvFlash: the flash component and its background timer thread.
//
// The thread only sleeps and hands every tick synchronously to the thread
// that owns the component (the user-interface thread). Everything the tick
// touches therefore lives on that thread and needs no locks; the little state
// shared with the worker (suspend, terminate, interval) sits behind one mutex.
#pragma once

#include "gauges/GaugesExport.h"

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// A thin layer over QThread with the suspend/resume/terminate model the
// flash timer expects. Suspending and terminating never wait for the worker,
// so the user-interface thread cannot block on a worker that is itself
// waiting for the user-interface thread.
class VELQUOR_GAUGES_EXPORT TOvThread : public QThread
{
    Q_OBJECT
public:
    explicit TOvThread(bool createSuspended, QObject* parent = nullptr);
    ~TOvThread() override;

    // Lets a suspended thread run; starts it on first use.
    void Resume();
    // The worker pauses before its next round.
    void Suspend();
    bool Suspended() const;
    // Asks the worker to leave its loop (also QThread's interruption request).
    void Terminate();
    bool Terminated() const;
    void SetPriority(QThread::Priority priority);
    QThread::Priority Priority() const;
    bool Started() const;
    // True once Execute has returned.
    bool Finished() const;

protected:
    virtual void Execute() = 0;
    // Blocks while suspended. Returns false when the thread was terminated.
    bool WaitWhileSuspended();
    // Call after wait() returned: synchronises with the worker's last writes.
    void Joined() const;
    // Sleeps ms milliseconds. Returns true only when the full time passed
    // without a terminate or suspend request.
    bool SleepFor(int ms);

private:
    void run() final;

    mutable std::mutex Lock;
    std::condition_variable Wake;
    bool FSuspended;
    bool FStarted = false;
    bool FTerminated = false;
    bool FFinished = false;
    QThread::Priority FPriority = QThread::NormalPriority;
};

class TOvFlash;

// Wakes every Interval milliseconds and runs the owner's Timer on the
// owner's thread, waiting until it has run.
class VELQUOR_GAUGES_EXPORT TTimerThread final : public TOvThread
{
    Q_OBJECT
public:
    TTimerThread(bool createSuspended, TOvFlash* owner);
    ~TTimerThread() override;
    void SetInterval(int ms);
    int Interval() const;
    quint64 HandedTicks() const;
    // Terminates the worker and waits for it, serving the owner's pending
    // tick meanwhile so that a worker blocked in a hand-over can finish.
    void Stop();
    // Forgets the owner: used when the owner goes away while the worker
    // cannot be joined yet.
    void DetachOwner();

protected:
    void Execute() override;

private:
    TOvFlash* CurrentOwner() const;

    mutable std::mutex StateLock;
    TOvFlash* FOwner;
    int FInterval = 16;
    quint64 FHanded = 0;
};

// A component that calls its timer event every Interval (16) milliseconds on
// the user-interface thread, driven by its own TTimerThread.
class VELQUOR_GAUGES_EXPORT TOvFlash : public QObject
{
    Q_OBJECT
public:
    using TTimerEvent = std::function<void(QObject* sender)>;

    explicit TOvFlash(QObject* owner = nullptr);
    ~TOvFlash() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    QThread::Priority ThreadPriority() const { return FThreadPriority; }
    void SetThreadPriority(QThread::Priority value);
    const TTimerEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TTimerEvent event);
    int Interval() const { return FInterval; }

    // Whether the worker thread is currently running its loop (started,
    // not suspended, not finished).
    bool ThreadActive() const;
    // Ticks the worker has handed over so far.
    quint64 HandedTicks() const;

    // Runs on the user-interface thread, handed over by the worker.
    Q_INVOKABLE void Timer();

protected:
    void UpdateTimer();

private:
    // Stops the worker without deadlocking: the worker may be waiting for a
    // tick to run here, so pending calls are served while we wait.
    void StopThread();

    bool FEnabled = true;
    QThread::Priority FThreadPriority = QThread::NormalPriority;
    int FInterval = 16;
    TTimerEvent FOnTimer;
    bool Destroying = false;
    int InTimer = 0;
    std::unique_ptr<TTimerThread> Thread;
};
