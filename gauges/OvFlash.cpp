#include "gauges/OvFlash.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QPointer>

#include <chrono>

// ---------------------------------------------------------------- TOvThread

TOvThread::TOvThread(bool createSuspended, QObject* parent)
    : QThread(parent), FSuspended(createSuspended)
{
}

TOvThread::~TOvThread()
{
    // Derived classes stop the worker before their part is gone; this is only
    // the last line of defence for a thread that never waits on anybody.
    Terminate();
    wait();
    Joined();
}

void TOvThread::Joined() const
{
    // QThread::wait synchronises through Qt's own primitives; taking the lock
    // the worker released last makes its writes visible here in a way that
    // race checkers can follow too.
    std::lock_guard<std::mutex> guard(Lock);
}

void TOvThread::Resume()
{
    bool startNow = false;
    QThread::Priority priority;
    {
        std::lock_guard<std::mutex> guard(Lock);
        FSuspended = false;
        // A terminated or finished thread is never started again.
        startNow = !FStarted && !FTerminated;
        FStarted = FStarted || startNow;
        priority = FPriority;
    }
    Wake.notify_all();
    if (startNow)
        start(priority);
}

void TOvThread::Suspend()
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        FSuspended = true;
    }
    Wake.notify_all();
}

bool TOvThread::Suspended() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return FSuspended;
}

void TOvThread::Terminate()
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        FTerminated = true;
    }
    Wake.notify_all();
    requestInterruption();
}

bool TOvThread::Terminated() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return FTerminated;
}

void TOvThread::SetPriority(QThread::Priority priority)
{
    bool running;
    {
        std::lock_guard<std::mutex> guard(Lock);
        FPriority = priority;
        running = FStarted && !FFinished;
    }
    // QThread refuses (with a warning) to set the priority of a thread that
    // is not running; an unstarted thread gets it at start.
    if (running && isRunning())
        setPriority(priority);
}

QThread::Priority TOvThread::Priority() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return FPriority;
}

bool TOvThread::Started() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return FStarted;
}

bool TOvThread::Finished() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return FFinished;
}

bool TOvThread::WaitWhileSuspended()
{
    std::unique_lock<std::mutex> lock(Lock);
    Wake.wait(lock, [this] { return FTerminated || !FSuspended; });
    return !FTerminated;
}

bool TOvThread::SleepFor(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock<std::mutex> lock(Lock);
    while (!FTerminated && !FSuspended) {
        if (Wake.wait_until(lock, deadline) == std::cv_status::timeout)
            return !FTerminated && !FSuspended;
    }
    return false;
}

void TOvThread::run()
{
    Execute();
    // Marked under the lock so that whoever sees Finished also sees every
    // write the worker made before.
    std::lock_guard<std::mutex> guard(Lock);
    FFinished = true;
}

// ------------------------------------------------------------- TTimerThread

TTimerThread::TTimerThread(bool createSuspended, TOvFlash* owner)
    : TOvThread(createSuspended), FOwner(owner)
{
}

TOvFlash* TTimerThread::CurrentOwner() const
{
    std::lock_guard<std::mutex> guard(StateLock);
    return FOwner;
}

void TTimerThread::DetachOwner()
{
    std::lock_guard<std::mutex> guard(StateLock);
    FOwner = nullptr;
}

TTimerThread::~TTimerThread()
{
    Stop();
}

void TTimerThread::SetInterval(int ms)
{
    std::lock_guard<std::mutex> guard(StateLock);
    FInterval = ms;
}

int TTimerThread::Interval() const
{
    std::lock_guard<std::mutex> guard(StateLock);
    return FInterval;
}

quint64 TTimerThread::HandedTicks() const
{
    std::lock_guard<std::mutex> guard(StateLock);
    return FHanded;
}

void TTimerThread::Execute()
{
    while (WaitWhileSuspended()) {
        const int ms = Interval();
        if (ms <= 0 || !SleepFor(ms))
            continue;
        TOvFlash* owner = CurrentOwner();
        if (Terminated() || !owner)
            break;
        // Synchronous hand-over: the worker waits until the tick has run on
        // the owner's thread (or until the owner drops the pending call).
        QMetaObject::invokeMethod(owner, "Timer", Qt::BlockingQueuedConnection);
        std::lock_guard<std::mutex> guard(StateLock);
        ++FHanded;
    }
}

void TTimerThread::Stop()
{
    Terminate();
    // The worker may be blocked in a hand-over that only the owner's thread
    // can complete, so serve the owner's pending calls while waiting.
    TOvFlash* owner = CurrentOwner();
    const bool ownerHere = owner && owner->thread() == QThread::currentThread();
    while (!wait(QDeadlineTimer(2))) {
        if (ownerHere)
            QCoreApplication::sendPostedEvents(owner, QEvent::MetaCall);
    }
    Joined();
}

// ----------------------------------------------------------------- TOvFlash

TOvFlash::TOvFlash(QObject* owner)
    : QObject(owner), Thread(std::make_unique<TTimerThread>(true, this))
{
    Thread->SetInterval(FInterval);
}

TOvFlash::~TOvFlash()
{
    FEnabled = false;
    FOnTimer = nullptr;
    Destroying = true;
    StopThread();
}

void TOvFlash::StopThread()
{
    if (!Thread)
        return;
    if (InTimer > 0) {
        // Destroyed from inside its own tick: the worker waits for this very
        // call to return, so it cannot be joined here. It leaves its loop as
        // soon as the hand-over completes and then deletes itself.
        Thread->Terminate();
        TTimerThread* detached = Thread.release();
        detached->DetachOwner();
        connect(detached, &QThread::finished, detached, &QObject::deleteLater);
        return;
    }
    Thread.reset();   // ~TTimerThread stops it without deadlock
}

void TOvFlash::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    UpdateTimer();
}

void TOvFlash::SetThreadPriority(QThread::Priority value)
{
    if (value == FThreadPriority)
        return;
    FThreadPriority = value;
    UpdateTimer();
}

void TOvFlash::SetOnTimer(TTimerEvent event)
{
    const bool wasAssigned = static_cast<bool>(FOnTimer);
    FOnTimer = std::move(event);
    if (wasAssigned != static_cast<bool>(FOnTimer))
        UpdateTimer();
}

void TOvFlash::UpdateTimer()
{
    if (!Thread || Destroying)
        return;
    if (!Thread->Suspended())
        Thread->Suspend();
    Thread->SetInterval(FInterval);
    if (FInterval != 0 && FEnabled && FOnTimer) {
        Thread->SetPriority(FThreadPriority);
        Thread->Resume();
    }
}

bool TOvFlash::ThreadActive() const
{
    return Thread && Thread->Started() && !Thread->Suspended() && !Thread->Finished();
}

quint64 TOvFlash::HandedTicks() const
{
    return Thread ? Thread->HandedTicks() : 0;
}

void TOvFlash::Timer()
{
    if (!FEnabled || Destroying || !FOnTimer)
        return;
    // A copy, so that the handler may reassign or clear the event, or even
    // delete this component.
    const TTimerEvent event = FOnTimer;
    const QPointer<TOvFlash> self(this);
    ++InTimer;
    try {
        event(this);
    } catch (...) {
        // Nothing may unwind through the event dispatch that called us.
    }
    if (self)
        --InTimer;
}
