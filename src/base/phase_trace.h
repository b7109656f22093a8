// Where start-up time goes: an opt-in account of the time spent in a few kinds of work, each
// counted exclusively (time in a nested phase is taken off the phase around it). It is off unless
// the program turns it on once at its start; while off, a scope costs one test of a flag and
// reads no clock.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace zentrim::trace {

enum class Phase : std::size_t {
    SetUp,           // building the program's parts before the start-up proper
    Resources,       // finding and copying resources out of the program file
    Catalogue,       // reading and splitting the caption catalogue, filling in the texts
    Pictures,        // decoding and scaling pictures
    Fonts,           // creating fonts and asking for system metrics
    TopLevelWindows, // creating the forms' top-level windows
    ChildWindows,    // creating child windows and giving them their fonts, items and heights
    Layout,          // placing child windows and ordering them for Tab
    RegistryReads,   // reading registry values
    Showing,         // showing a form, with its first painting
};
inline constexpr std::size_t kPhaseCount = 10;

// The name of a phase as the report prints it.
std::string_view PhaseName(Phase phase);

using Clock = std::chrono::steady_clock;

// The accounting itself, with the clock passed in, so that it can be checked on chosen times.
class PhaseAccount {
public:
    void Enter(Phase phase, Clock::time_point now);
    void Leave(Clock::time_point now);

    // Exclusive time of each phase so far.
    Clock::duration Time(Phase phase) const { return times_[static_cast<std::size_t>(phase)]; }
    // How often each phase was entered.
    int Count(Phase phase) const { return counts_[static_cast<std::size_t>(phase)]; }
    // Phases entered and not left yet.
    std::size_t Depth() const { return depth_; }

private:
    struct Open {
        Phase phase;
        Clock::time_point start;
        Clock::duration nested;
    };
    static constexpr std::size_t kMaxDepth = 32;
    std::array<Clock::duration, kPhaseCount> times_{};
    std::array<int, kPhaseCount> counts_{};
    std::array<Open, kMaxDepth> open_{};
    std::size_t depth_ = 0;
    std::size_t overflow_ = 0; // levels past kMaxDepth, counted to their own parent
};

// The report of an account over a whole start: each phase's time and share of `total`, and the
// rest as "other" (message handling, painting, the runtime's own start).
std::string FormatReport(const PhaseAccount& account, Clock::duration total);

// The program's one account. Enable is called at most once, at the start, before any scope. The
// account may be read from another thread (the trace's watcher) while the program counts.
void Enable();
bool Enabled() noexcept;
void EnterProgramPhase(Phase phase) noexcept;
void LeaveProgramPhase() noexcept;
PhaseAccount ProgramAccount();

// Counts the time from its construction to its end to a phase, while tracing is on.
class Scope {
public:
    explicit Scope(Phase phase) noexcept : active_(Enabled()) {
        if (active_) {
            EnterProgramPhase(phase);
        }
    }
    ~Scope() {
        if (active_) {
            LeaveProgramPhase();
        }
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    bool active_;
};

} // namespace zentrim::trace
