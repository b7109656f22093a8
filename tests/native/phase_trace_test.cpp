// The start-up trace's accounting: nested phases are counted without the phases inside them, so
// the shares add up to the whole.
#include "base/phase_trace.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrim::trace {
namespace {

using std::chrono::milliseconds;

Clock::time_point At(int ms) {
    return Clock::time_point(milliseconds(ms));
}

TEST(PhaseTrace, NestedPhasesAreCountedWithoutTheirInnerPhases) {
    PhaseAccount account;
    // Window creation 0..100 holds pictures 10..40, which holds resources 15..20; fonts 50..60
    // sit in the window creation too. Later, window creation again 200..210.
    account.Enter(Phase::ChildWindows, At(0));
    account.Enter(Phase::Pictures, At(10));
    account.Enter(Phase::Resources, At(15));
    account.Leave(At(20));
    account.Leave(At(40));
    account.Enter(Phase::Fonts, At(50));
    account.Leave(At(60));
    account.Leave(At(100));
    account.Enter(Phase::ChildWindows, At(200));
    account.Leave(At(210));

    EXPECT_EQ(account.Time(Phase::Resources), milliseconds(5));
    EXPECT_EQ(account.Time(Phase::Pictures), milliseconds(25));
    EXPECT_EQ(account.Time(Phase::Fonts), milliseconds(10));
    EXPECT_EQ(account.Time(Phase::ChildWindows), milliseconds(60 + 10));
    EXPECT_EQ(account.Time(Phase::Catalogue), milliseconds(0));
    EXPECT_EQ(account.Count(Phase::ChildWindows), 2);
    EXPECT_EQ(account.Count(Phase::Resources), 1);
    EXPECT_EQ(account.Depth(), 0u);
}

TEST(PhaseTrace, ALeaveWithoutAnEnterChangesNothingAndVeryDeepNestingKeepsTheOuterTime) {
    PhaseAccount account;
    account.Leave(At(5));
    EXPECT_EQ(account.Depth(), 0u);

    // 40 levels of catalogue inside one registry read: the levels past the account's depth
    // give their time to the innermost level it keeps, and every level is left again.
    account.Enter(Phase::RegistryReads, At(0));
    for (int level = 0; level < 40; ++level) {
        account.Enter(Phase::Catalogue, At(10));
    }
    for (int level = 0; level < 40; ++level) {
        account.Leave(At(30));
    }
    account.Leave(At(50));
    EXPECT_EQ(account.Depth(), 0u);
    EXPECT_EQ(account.Time(Phase::Catalogue), milliseconds(20));
    EXPECT_EQ(account.Time(Phase::RegistryReads), milliseconds(30));
}

// The figures of the report line that begins with `name`, without the padding before them.
std::string Figures(const std::string& report, const std::string& name) {
    const std::size_t start = report.find(name + " ");
    if (start == std::string::npos || (start > 0 && report[start - 1] != '\n')) {
        return "(no line " + name + ")";
    }
    const std::size_t end = report.find('\n', start);
    const std::size_t figures = report.find_first_not_of(' ', start + name.size());
    return report.substr(figures, end - figures);
}

TEST(PhaseTrace, TheReportGivesEachPhaseItsShareAndTheRestAsOther) {
    PhaseAccount account;
    account.Enter(Phase::Pictures, At(0));
    account.Leave(At(50));
    account.Enter(Phase::TopLevelWindows, At(60));
    account.Leave(At(85));
    const std::string report = FormatReport(account, milliseconds(100));
    EXPECT_EQ(Figures(report, "pictures"), "50.00 ms  50.0 %      1");
    EXPECT_EQ(Figures(report, "top-level windows"), "25.00 ms  25.0 %      1");
    EXPECT_EQ(Figures(report, "fonts"), "0.00 ms   0.0 %      0");
    EXPECT_EQ(Figures(report, "other"), "25.00 ms  25.0 %      0");
    EXPECT_EQ(Figures(report, "total"), "100.00 ms 100.0 %      0");
}

TEST(PhaseTrace, ScopesCountNothingWhileTracingIsOff) {
    ASSERT_FALSE(Enabled()); // the test program never turns the program's trace on
    { const Scope scope(Phase::Fonts); }
    EXPECT_EQ(ProgramAccount().Count(Phase::Fonts), 0);
}

} // namespace
} // namespace zentrim::trace
