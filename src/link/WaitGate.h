#pragma once

#include "shared/Variables.h"

#include <utility>

namespace velnor {

// Whether a user action may run now. While a wait of either window runs, none may: its frame
// would tangle with the exchange the wait is waiting for, and a wait started inside another
// would keep the outer one from ending until it ended itself. Every click of both windows
// passes through here; no handler checks on its own.
class WaitGate
{
public:
    explicit WaitGate(Variables& vars) : m_vars(vars) {}

    bool isOpen() const { return !m_vars.isWaiting(); }

    // Runs the action when no wait runs. False when it was dropped.
    template <typename Action> bool run(Action&& action) const
    {
        if (!isOpen())
            return false;
        std::forward<Action>(action)();
        return true;
    }

    // Keeps the gate closed for as long as it lives: held by every wait.
    class Hold
    {
    public:
        explicit Hold(Variables& vars) : m_vars(&vars) { ++m_vars->WaitsRunning; }
        ~Hold()
        {
            if (m_vars)
                --m_vars->WaitsRunning;
        }
        Hold(Hold&& other) noexcept : m_vars(std::exchange(other.m_vars, nullptr)) {}
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        Hold& operator=(Hold&&) = delete;

    private:
        Variables* m_vars;
    };
    [[nodiscard]] Hold hold() const { return Hold(m_vars); }

private:
    Variables& m_vars;
};

} // namespace velnor
