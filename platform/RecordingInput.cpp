#include "platform/RecordingInput.h"

namespace platform {

namespace {

QString ButtonLine(uint32_t flags) {
    switch (flags) {
        case MOUSEEVENTF_LEFTDOWN:
            return QStringLiteral("down left");
        case MOUSEEVENTF_LEFTUP:
            return QStringLiteral("up left");
        case MOUSEEVENTF_MIDDLEDOWN:
            return QStringLiteral("down middle");
        case MOUSEEVENTF_MIDDLEUP:
            return QStringLiteral("up middle");
        case MOUSEEVENTF_RIGHTDOWN:
            return QStringLiteral("down right");
        case MOUSEEVENTF_RIGHTUP:
            return QStringLiteral("up right");
        default:
            return QStringLiteral("input 0x%1").arg(flags, 4, 16, QLatin1Char('0'));
    }
}

}  // namespace

void CEventLog::Append(const Event& event) {
    if (m_pStop != nullptr && m_nCapacity > 0)
        m_pStop->WaitFor([this] { return m_nSize.load(std::memory_order_acquire) < m_nCapacity; });
    bool bWasEmpty = false;
    {
        std::lock_guard lock(m_mutex);
        bWasEmpty = m_events.empty();
        m_events.push_back(event);
        m_nSize.store(m_events.size(), std::memory_order_release);
    }
    if (bWasEmpty)
        m_cvEvents.notify_all();
}

void CEventLog::Clear() {
    CStopSignal* stop = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_events.clear();
        m_nSize.store(0, std::memory_order_release);
        stop = m_pStop;
    }
    if (stop != nullptr)
        stop->Notify();
}

void CEventLog::SetBound(size_t capacity, CStopSignal& stop) {
    std::lock_guard lock(m_mutex);
    m_nCapacity = capacity;
    m_pStop = &stop;
}

std::vector<CEventLog::Event> CEventLog::TakeWaiting() {
    {
        std::unique_lock lock(m_mutex);
        m_cvEvents.wait(lock, [this] { return m_bClosed || !m_events.empty(); });
    }
    return Take();
}

void CEventLog::Close() {
    {
        std::lock_guard lock(m_mutex);
        m_bClosed = true;
    }
    m_cvEvents.notify_all();
}

std::vector<CEventLog::Event> CEventLog::Events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<CEventLog::Event> CEventLog::Take() {
    std::vector<Event> events;
    CStopSignal* stop = nullptr;
    {
        std::lock_guard lock(m_mutex);
        events.swap(m_events);
        m_nSize.store(0, std::memory_order_release);
        stop = m_pStop;
    }
    if (stop != nullptr)
        stop->Notify();
    return events;
}

QString CEventLog::Line(const Event& event) {
    switch (event.kind) {
        case Kind::Move:
            return QStringLiteral("move %1 %2").arg(event.pt.x).arg(event.pt.y);
        case Kind::Input:
            return ButtonLine(event.input.mi.dwFlags);
        case Kind::Wait:
            return event.ms != 0 ? QStringLiteral("wait %1").arg(event.ms) : QString();
    }
    return {};
}

QStringList CEventLog::Lines() const {
    QStringList lines;
    for (const Event& event : Events()) {
        QString line = Line(event);
        if (!line.isEmpty())
            lines << std::move(line);
    }
    return lines;
}

bool CRecordingInput::SetCursorPos(int x, int y) {
    m_pt = {x, y};
    CEventLog::Event event;
    event.kind = CEventLog::Kind::Move;
    event.pt = m_pt;
    Append(event);
    return true;
}

bool CRecordingInput::GetCursorPos(POINT* pt) {
    if (!pt)
        return false;
    *pt = m_pt;
    return true;
}

unsigned CRecordingInput::SendInput(unsigned count, const INPUT* inputs, int /*cbSize*/) {
    if (!inputs)
        return 0;
    for (unsigned i = 0; i < count; ++i) {
        CEventLog::Event event;
        event.kind = CEventLog::Kind::Input;
        event.input = inputs[i];
        Append(event);
    }
    return count;
}

void CRecordingInput::EndBatch() {
    m_bBatching = false;
    m_log.SetHeld(0);
}

void CRecordingInput::Append(const CEventLog::Event& event) {
    m_log.Append(event);
    if (m_bBatching)
        m_log.SetHeld(m_log.Held() + 1);
}

bool CRecordingWait::Sleep(uint32_t ms) {
    if (m_onSleep)
        m_onSleep(ms);
    CEventLog::Event event;
    event.kind = CEventLog::Kind::Wait;
    event.ms = ms;
    event.bCompleted = !(m_stop && m_stop->IsRaised());
    event.nHeld = m_log.Held();
    m_log.Append(event);
    return event.bCompleted;
}

}  // namespace platform
