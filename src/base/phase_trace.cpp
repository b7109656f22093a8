#include "base/phase_trace.h"

#include <cstdio>
#include <mutex>

namespace zentrim::trace {

namespace {

constexpr std::array<std::string_view, kPhaseCount> kPhaseNames{
    "program set-up",    "resources",     "catalogue", "pictures",       "fonts",
    "top-level windows", "child windows", "layout",    "registry reads", "showing"};

bool enabled = false;
std::mutex accountMutex;
PhaseAccount programAccount;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

std::string_view PhaseName(Phase phase) {
    return kPhaseNames[static_cast<std::size_t>(phase)];
}

void PhaseAccount::Enter(Phase phase, Clock::time_point now) {
    if (depth_ == kMaxDepth) {
        ++overflow_; // far deeper than any start goes: the outer phase keeps the time
        return;
    }
    open_[depth_++] = {phase, now, Clock::duration::zero()};
    ++counts_[static_cast<std::size_t>(phase)];
}

void PhaseAccount::Leave(Clock::time_point now) {
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (depth_ == 0) {
        return;
    }
    const Open& open = open_[--depth_];
    const Clock::duration whole = now - open.start;
    times_[static_cast<std::size_t>(open.phase)] += whole - open.nested;
    if (depth_ > 0) {
        open_[depth_ - 1].nested += whole;
    }
}

std::string FormatReport(const PhaseAccount& account, Clock::duration total) {
    std::string report;
    char line[96];
    Clock::duration counted = Clock::duration::zero();
    const double totalMs = Milliseconds(total);
    const auto add = [&](std::string_view name, Clock::duration time, int count) {
        const double ms = Milliseconds(time);
        std::snprintf(line, sizeof line, "%-18.*s %9.2f ms %5.1f %% %6d\n", static_cast<int>(name.size()),
                      name.data(), ms, totalMs > 0 ? 100.0 * ms / totalMs : 0.0, count);
        report += line;
    };
    for (std::size_t i = 0; i < kPhaseCount; ++i) {
        const Phase phase = static_cast<Phase>(i);
        add(PhaseName(phase), account.Time(phase), account.Count(phase));
        counted += account.Time(phase);
    }
    add("other", total > counted ? total - counted : Clock::duration::zero(), 0);
    add("total", total, 0);
    return report;
}

void Enable() {
    enabled = true;
}

bool Enabled() noexcept {
    return enabled;
}

void EnterProgramPhase(Phase phase) noexcept {
    const std::lock_guard lock(accountMutex);
    programAccount.Enter(phase, Clock::now());
}

void LeaveProgramPhase() noexcept {
    const std::lock_guard lock(accountMutex);
    programAccount.Leave(Clock::now());
}

PhaseAccount ProgramAccount() {
    const std::lock_guard lock(accountMutex);
    return programAccount;
}

} // namespace zentrim::trace
