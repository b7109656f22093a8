// What every end-to-end test shares: a private program folder, a product key that does not exist
// yet (a first start), and on the way out no program left running and the catalogue's registry
// values as they were found.
#pragma once

#include "e2e/automation.h"
#include "e2e/catalogue_expectations.h"
#include "e2e/program_session.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrim::e2e {

// The texts the program shows, as the English catalogue words them.
inline constexpr wchar_t kMainTitle[] = L"Zentrim - Make your computer, games & internet run faster";
inline constexpr wchar_t kRestartQuestion[] =
    L"The changes to the computer's system, gaming and internet performance settings have finished."
    L"\r\n\r\nYou will need to restart Windows for the changes to become active."
    L"\r\n\r\nClick Yes to restart the computer now, or click No to restart later.";

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ready()) << "could not prepare a program folder from "
                                     << Narrow(Options().program) << " and " << Narrow(Options().updater);
        ASSERT_TRUE(FindVisibleTopLevel(kMainClass) == nullptr)
            << "a main window of the program is open already; the single-instance rule would meet it";
        catalogueFound_ = ReadCatalogueState();
        ASSERT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyPath));
    }

    void TearDown() override {
        const int stragglers = folder_.EndStragglers();
        if (!HasFailure()) {
            EXPECT_EQ(stragglers, 0) << "the test left programs running";
        }
        WriteCatalogueState(catalogueFound_);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKeyPath);
    }

    // Starts a main instance and waits for its window.
    HWND StartMainInstance(ChildProcess& process) {
        process = folder_.Start();
        if (!process.Started()) {
            ADD_FAILURE() << "the program did not start";
            return nullptr;
        }
        HWND main = WaitForMainWindow(process.Id());
        if (main == nullptr) {
            ADD_FAILURE() << "the main window did not show";
        }
        return main;
    }

    // Closes the main window as its close box would and expects the process to end with 0.
    static void CloseMainInstance(ChildProcess& process, HWND main) {
        PostMessageW(main, WM_CLOSE, 0, 0);
        const auto code = process.WaitForExit(20s);
        ASSERT_TRUE(code.has_value()) << "the program did not end after its main window was closed";
        EXPECT_EQ(*code, 0u);
    }

    ProgramFolder folder_;
    ValueState catalogueFound_;
};

} // namespace zentrim::e2e
