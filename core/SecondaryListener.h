#pragma once

#include "core/CommandListener.h"
#include "core/SecondaryRequests.h"

#include <ctime>
#include <functional>
#include <string>

// The secondary's listener at Port: acknowledges start_sync and hands it to the window, sets
// the clock on set_time. A start_sync without a field and a set_time without six valid fields
// are malformed: no reply, nothing posted, the clock untouched.
class CSecondaryListener : public CCommandListener
{
public:
    // Sets the UTC clock; its outcome is not checked.
    using ClockSetter = std::function<void(const std::tm& utc)>;

    // window may be null (the window is not known): requests are then only acknowledged.
    CSecondaryListener(std::string ownName, int port, CSecondaryRequests* window,
                       ClockSetter setClock = SetSystemTime);
    ~CSecondaryListener() override;

    // clock_settime(CLOCK_REALTIME) to utc with 0 milliseconds; fails unless the process may
    // set the time.
    static void SetSystemTime(const std::tm& utc);

protected:
    void ServeCommand(CCommandSocket& connection, const std::vector<std::string>& tokens) override;

private:
    void StartSync(CCommandSocket& connection, const std::vector<std::string>& tokens);
    void SetTime(CCommandSocket& connection, const std::vector<std::string>& tokens);

    const std::string m_ownName;
    CSecondaryRequests* const m_window;
    const ClockSetter m_setClock;
};
