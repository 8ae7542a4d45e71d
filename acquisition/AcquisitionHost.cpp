#include "acquisition/AcquisitionHost.h"

#include <thread>

void HeadlessHost::ShowMessage(const std::string& text, const std::string& caption)
{
    Messages.push_back({text, caption});
    if (EchoMessages) {
        std::fprintf(EchoMessages, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(EchoMessages);
    }
}

void HeadlessHost::ProcessMessages()
{
    ++ProcessMessagesCalls;
    const Clock::time_point now = Clock::now();
    // A timer fires once per expiry; its handler decides whether it runs again.
    if (timeOutEnabled_ && now >= timeOutDue_) {
        timeOutDue_ = now + std::chrono::milliseconds(TimeOutIntervalMs);
        if (OnTimeOut) OnTimeOut();
    }
    if (startEnabled_ && now >= startDue_) {
        startDue_ = now + std::chrono::milliseconds(StartIntervalMs);
        if (OnStartTimer) OnStartTimer();
    }
    if (OnProcessMessages) OnProcessMessages();
}

void HeadlessHost::SleepMs(int milliseconds)
{
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void HeadlessHost::SetTimeOutTimer(bool enabled)
{
    // Enabling a stopped timer starts its interval afresh; enabling a running one changes nothing.
    if (enabled && !timeOutEnabled_) timeOutDue_ = Clock::now() + std::chrono::milliseconds(TimeOutIntervalMs);
    timeOutEnabled_ = enabled;
}

void HeadlessHost::SetStartTimer(bool enabled)
{
    if (enabled && !startEnabled_) startDue_ = Clock::now() + std::chrono::milliseconds(StartIntervalMs);
    startEnabled_ = enabled;
}

void HeadlessHost::RequestTerminate()
{
    ++TerminateRequests;
}

void HeadlessHost::BlockProcessed(const BlockReport& report)
{
    ++BlocksProcessed;
    LastReport = report;
    if (OnBlock) OnBlock(report);
}

std::vector<std::string> HeadlessHost::MessageTexts() const
{
    std::vector<std::string> texts;
    texts.reserve(Messages.size());
    for (const HostMessage& m : Messages) texts.push_back(m.Text);
    return texts;
}
