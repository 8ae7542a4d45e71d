// Unit OvFlashT: the process-wide flash registry and the single flash timer.
//
// Flashing controls, the operating-hour counter and the clock subscribe here.
// One TOvFlashTimer drives the registry's tick every 16 ms on the
// user-interface thread; the tick sends each due subscriber the flash message.
// The registry, its tick counter and every subscriber are touched only on the
// user-interface thread.
#pragma once

#include "gauges/GClass.h"
#include "gauges/GaugesExport.h"
#include "gauges/OvFlash.h"

#include <QEvent>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The flash message (user message base + 100) is TOvFlashEvent (GClass.h),
// delivered synchronously: Counter = tick counter, Param = phase or lateness.

// Rate codes of registry entries. Any other code is a period in milliseconds.
constexpr qint64 FlashCode8Hz = 2;
constexpr qint64 FlashCode4Hz = 3;
constexpr qint64 FlashCode2Hz = 4;
constexpr qint64 FlashCode1Hz = 5;
constexpr qint64 FlashCode05Hz = 6;
constexpr qint64 FlashCodeSecond = 32;

// Rate code of a flash frequency given by its ordinal
// (ff8Hz, ff4Hz, ff2Hz, ff1Hz, ff05Hz = 0..4).
constexpr qint64 FlashRateCode(int frequencyOrdinal)
{
    return FlashCode8Hz + frequencyOrdinal;
}

// Callback form of an entry: tick counter, then phase or lateness.
using TFlashCallback = std::function<void(quint32 tickCounter, qint64 param)>;

class TOvFlashTimer;

class VELQUOR_GAUGES_EXPORT TOvFlashRegistry
{
public:
    using TClock = std::function<qint64()>;
    using TMessageHandler = std::function<void(const QString& text, const QString& caption)>;

    // The registry if it exists.
    static TOvFlashRegistry* Instance();
    // The registry, created on first use (needs a QCoreApplication; without
    // one there is no user-interface thread to tick and nullptr is returned).
    static TOvFlashRegistry* Acquire();
    // Unit shut-down: frees the timer (stopping its thread), all entries and
    // the list. Also runs when the application object is destroyed.
    static void Shutdown();

    // The registry operations the controls use: register with the registry
    // (created on first use) or leave it (a no-op when it does not exist).
    static void RegisterControl(QObject* control, qint64 code);
    static void UnregisterControl(QObject* control);

    TOvFlashRegistry(const TOvFlashRegistry&) = delete;
    TOvFlashRegistry& operator=(const TOvFlashRegistry&) = delete;

    void Register(QObject* control, qint64 code);
    // key identifies the entry for Unregister; the callback runs in place of
    // a message.
    void Register(const void* key, TFlashCallback callback, qint64 code);
    void Unregister(const void* key);

    // Live entries.
    int Count() const;
    bool IsRegistered(const void* key) const;
    // The entry's rate code, or -1 without an entry.
    qint64 CodeOf(const void* key) const;
    quint32 TickCounter() const { return FTickCounter; }
    // Wall-clock time (ms since the epoch) of the next once-per-second notification.
    qint64 NextSecond() const { return FNextSecond; }
    // The registry's own timer; nullptr until the first registration.
    TOvFlashTimer* Timer() const { return FTimer.get(); }

    // One tick of the registry (the timer's event).
    void Tick();

    // Time sources: the system millisecond tick and the wall clock in ms.
    // Replaceable so that schedules can be checked without waiting.
    void SetClocks(TClock tickMs, TClock wallMs);
    // Where the registry's error messages go (a message box by default).
    void SetMessageHandler(TMessageHandler handler);
    void ShowMessage(const QString& text, const QString& caption) const;

    // Instance counter of TOvFlashTimer.
    int TimerInstances() const { return FTimerInstances; }

private:
    friend class TOvFlashTimer;

    struct TEntry
    {
        const void* Key = nullptr;
        QPointer<QObject> Control;
        TFlashCallback Callback;
        qint64 Code = 0;
        qint64 Due = 0;
        quint8 Phase = 0;
    };

    TOvFlashRegistry();
    ~TOvFlashRegistry();

    void Add(const void* key, QObject* control, TFlashCallback callback, qint64 code);
    TEntry* Find(const void* key);
    const TEntry* Find(const void* key) const;
    void EnsureTimer();
    void Notify(const TEntry& entry, qint64 param);
    bool Closing() const;

    // The one process-wide registry; set and cleared only on the
    // user-interface thread by Acquire and Shutdown.
    static TOvFlashRegistry* Self;

    std::vector<TEntry> Entries;
    quint32 FTickCounter = 0;
    qint64 FNextSecond = 0;
    const qint64 OneSecond = 1000;
    std::unique_ptr<TOvFlashTimer> FTimer;
    int FTimerInstances = 0;
    bool InTick = false;
    bool ShuttingDown = false;
    TClock TickMs;
    TClock WallMs;
    TMessageHandler MessageHandler;
};

// The single flash timer of the application. Only the first instance drives
// the registry; any further one reports an error and stays idle.
class VELQUOR_GAUGES_EXPORT TOvFlashTimer : public TOvFlash
{
    Q_OBJECT
public:
    explicit TOvFlashTimer(QObject* owner = nullptr);
    ~TOvFlashTimer() override;

    bool Idle() const { return FIdle; }
    // Library information (published, not stored).
    TOvInfo* OvInfo() const { return FOvInfo.get(); }

private:
    bool FIdle = true;
    std::unique_ptr<TOvInfo> FOvInfo;
};
