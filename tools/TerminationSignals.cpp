#include "tools/TerminationSignals.h"

namespace {

volatile std::sig_atomic_t g_requested = 0;

void Request(int /*signal*/)
{
    g_requested = 1;
}

} // namespace

CTerminationSignals::CTerminationSignals()
{
    g_requested = 0;
    struct sigaction action
    {};
    action.sa_handler = Request;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &action, &m_previous[i]);
    }
}

CTerminationSignals::~CTerminationSignals()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

bool CTerminationSignals::Requested()
{
    return g_requested != 0;
}
