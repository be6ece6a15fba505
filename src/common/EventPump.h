#pragma once

namespace kest {

/// Lets the user act during a long exchange. The windows process pending events
/// (a click on "СТОП" lands here); the command line checks whether Ctrl+C was
/// pressed. Long operations call it before and after each registrar request.
class EventPump
{
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
};

/// For callers with nothing to pump.
class NullEventPump final : public EventPump
{
public:
    void processEvents() override {}
};

} // namespace kest
