#include "gauges/OvFlashT.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMessageBox>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <limits>

TOvFlashRegistry* TOvFlashRegistry::Self = nullptr;

namespace {

qint64 SystemTickMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 WallClockMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

// ---------------------------------------------------------------- registry

TOvFlashRegistry::TOvFlashRegistry()
    : TickMs(&SystemTickMs), WallMs(&WallClockMs)
{
    Entries.reserve(10);
}

TOvFlashRegistry::~TOvFlashRegistry()
{
    ShuttingDown = true;
    // Stops the timer thread before anything it might tick goes away.
    FTimer.reset();
    Entries.clear();
}

TOvFlashRegistry* TOvFlashRegistry::Instance()
{
    return Self;
}

TOvFlashRegistry* TOvFlashRegistry::Acquire()
{
    if (!Self) {
        if (!QCoreApplication::instance())
            return nullptr;
        Self = new TOvFlashRegistry;
        // The thread must be gone before the application object is.
        qAddPostRoutine(&TOvFlashRegistry::Shutdown);
    }
    return Self;
}

void TOvFlashRegistry::Shutdown()
{
    if (!Self)
        return;
    if (Self->InTick) {
        // Never free the timer from inside its own tick; the post routine
        // (or a later call) finishes the job.
        Self->ShuttingDown = true;
        return;
    }
    TOvFlashRegistry* registry = Self;
    qRemovePostRoutine(&TOvFlashRegistry::Shutdown);
    delete registry;
    Self = nullptr;
}

bool TOvFlashRegistry::Closing() const
{
    return ShuttingDown || QCoreApplication::closingDown();
}

TOvFlashRegistry::TEntry* TOvFlashRegistry::Find(const void* key)
{
    for (TEntry& entry : Entries)
        if (entry.Key == key)
            return &entry;
    return nullptr;
}

const TOvFlashRegistry::TEntry* TOvFlashRegistry::Find(const void* key) const
{
    for (const TEntry& entry : Entries)
        if (entry.Key == key)
            return &entry;
    return nullptr;
}

void TOvFlashRegistry::Register(QObject* control, qint64 code)
{
    if (control)
        Add(control, control, nullptr, code);
}

void TOvFlashRegistry::Register(const void* key, TFlashCallback callback, qint64 code)
{
    if (key && callback)
        Add(key, nullptr, std::move(callback), code);
}

void TOvFlashRegistry::Add(const void* key, QObject* control, TFlashCallback callback, qint64 code)
{
    const qint64 now = TickMs();
    if (TEntry* existing = Find(key)) {
        existing->Code = code;
        existing->Due = now + code;
        existing->Control = control;
        existing->Callback = std::move(callback);
    } else {
        if (Entries.capacity() - Entries.size() < 2)
            Entries.reserve(Entries.capacity() + 10);
        TEntry entry;
        entry.Key = key;
        entry.Control = control;
        entry.Callback = std::move(callback);
        entry.Code = code;
        entry.Due = now + code;
        Entries.push_back(std::move(entry));
    }
    EnsureTimer();
}

void TOvFlashRegistry::EnsureTimer()
{
    if (FTimer || Entries.empty() || Closing())
        return;
    FNextSecond = WallMs() + OneSecond;
    FTimer = std::make_unique<TOvFlashTimer>();
}

void TOvFlashRegistry::Unregister(const void* key)
{
    if (!key)
        return;
    const auto it = std::find_if(Entries.begin(), Entries.end(),
                                 [key](const TEntry& entry) { return entry.Key == key; });
    if (it == Entries.end())
        return;
    if (InTick) {
        // The tick walks the list by index: blank the entry now (it is then
        // skipped) and drop it when the tick is done.
        it->Key = nullptr;
        it->Control = nullptr;
        it->Callback = nullptr;
        return;
    }
    Entries.erase(it);
    // The timer normally lives until shut-down; it goes early only when the
    // last subscriber leaves while the application is being destroyed.
    if (Count() == 0 && QCoreApplication::closingDown())
        FTimer.reset();
}

int TOvFlashRegistry::Count() const
{
    return static_cast<int>(std::count_if(Entries.begin(), Entries.end(),
                                          [](const TEntry& entry) { return entry.Key != nullptr; }));
}

bool TOvFlashRegistry::IsRegistered(const void* key) const
{
    return key && Find(key);
}

qint64 TOvFlashRegistry::CodeOf(const void* key) const
{
    const TEntry* entry = key ? Find(key) : nullptr;
    return entry ? entry->Code : -1;
}

void TOvFlashRegistry::SetClocks(TClock tickMs, TClock wallMs)
{
    TickMs = tickMs ? std::move(tickMs) : TClock(&SystemTickMs);
    WallMs = wallMs ? std::move(wallMs) : TClock(&WallClockMs);
}

void TOvFlashRegistry::SetMessageHandler(TMessageHandler handler)
{
    MessageHandler = std::move(handler);
}

void TOvFlashRegistry::ShowMessage(const QString& text, const QString& caption) const
{
    if (MessageHandler)
        MessageHandler(text, caption);
    else
        QMessageBox::warning(nullptr, caption, text, QMessageBox::Ok);
}

void TOvFlashRegistry::Notify(const TEntry& entry, qint64 param)
{
    if (entry.Control) {
        TOvFlashEvent message(FTickCounter, param);
        QCoreApplication::sendEvent(entry.Control.data(), &message);
    } else if (entry.Callback) {
        // A copy: the callback may unregister itself.
        const TFlashCallback callback = entry.Callback;
        callback(FTickCounter, param);
    }
}

void TOvFlashRegistry::Tick()
{
    if (InTick || Closing())
        return;
    InTick = true;

    // Unsigned arithmetic wraps to 0 at the maximum.
    ++FTickCounter;
    const qint64 now = TickMs();

    // Advance by exactly one second, so that after a stall every later tick
    // releases one overdue second.
    bool secondPassed = false;
    if (WallMs() >= FNextSecond) {
        FNextSecond += OneSecond;
        secondPassed = true;
    }

    // By index, with the size read each round: notifications may register
    // (append, possibly reallocating) or unregister (blanking) entries.
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (Closing())
            break;
        if (!Entries[i].Control && !Entries[i].Callback)
            continue;
        try {
            TEntry& entry = Entries[i];
            const qint64 code = entry.Code;
            if (code >= FlashCode8Hz && code <= FlashCode05Hz) {
                const quint8 phase = static_cast<quint8>((FTickCounter >> code) & 1u);
                if (phase != entry.Phase) {
                    entry.Phase = phase;
                    Notify(entry, phase);
                }
            } else if (code == FlashCodeSecond) {
                if (secondPassed)
                    Notify(entry, 0);
            } else if (now >= entry.Due) {
                qint64 late = std::llabs(now - entry.Due);
                if (late >= std::numeric_limits<qint32>::max())
                    late = 0;
                if (late > 1000)
                    late = 0;
                // Absorbs lateness of up to one second.
                entry.Due = now + code - late;
                Notify(entry, late);
            }
        } catch (...) {
            // One failing subscriber must not starve the others.
        }
    }

    // Drop blanked entries and those whose control went away unannounced.
    Entries.erase(std::remove_if(Entries.begin(), Entries.end(),
                                 [](const TEntry& entry) {
                                     return entry.Key == nullptr || (!entry.Control && !entry.Callback);
                                 }),
                  Entries.end());
    InTick = false;
}

void TOvFlashRegistry::RegisterControl(QObject* control, qint64 code)
{
    if (TOvFlashRegistry* registry = TOvFlashRegistry::Acquire())
        registry->Register(control, code);
}

void TOvFlashRegistry::UnregisterControl(QObject* control)
{
    if (TOvFlashRegistry* registry = TOvFlashRegistry::Instance())
        registry->Unregister(control);
}

// ----------------------------------------------------------- TOvFlashTimer

TOvFlashTimer::TOvFlashTimer(QObject* owner)
    : TOvFlash(owner)
{
    TOvFlashRegistry* registry = TOvFlashRegistry::Acquire();
    if (!registry)
        return;
    ++registry->FTimerInstances;
    if (registry->FTimerInstances == 1) {
        FIdle = false;
        FOvInfo = std::make_unique<TOvInfo>();
        SetOnTimer([](QObject*) {
            if (TOvFlashRegistry* current = TOvFlashRegistry::Instance())
                current->Tick();
        });
    } else {
        registry->ShowMessage(QStringLiteral("Only one TOvFlashTimer per Application!\nRemove it..."),
                              QStringLiteral("Error Message"));
    }
}

TOvFlashTimer::~TOvFlashTimer()
{
    if (TOvFlashRegistry* registry = TOvFlashRegistry::Instance())
        --registry->FTimerInstances;
}
