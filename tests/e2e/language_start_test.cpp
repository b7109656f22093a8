// The program started with "Language" = "german" in its product key: the main window and the About
// window speak German, the texts written out here from the German catalogue.
#include "e2e/e2e_fixture.h"

namespace zentrim::e2e {
namespace {

TEST_F(EndToEnd, GermanStartShowsGermanMainAndAboutWindows) {
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, L"Language", StringValue(L"german")));
    ChildProcess program;
    HWND main = StartMainInstance(program);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(SaveArtifact(main, L"main-window-german"));

    EXPECT_EQ(WindowText(main), L"Zentrim - Computer, Spiele & Internet beschleunigen");
    const MainWindowView view(main);
    for (const wchar_t* label : {L"Vorteile von Zentrim", L"Betriebssystem : ", L"Hilfe", L"Support",
                                 L"Hilfe zu Zentrim", L"Info \u00fcber Zentrim"}) {
        EXPECT_NE(view.Label(label), nullptr) << Narrow(label);
    }
    EXPECT_NE(view.LabelStartingWith(L"Installierte Version : 2.10.21.2024"), nullptr);
    EXPECT_NE(view.LabelStartingWith(L"Letzte Aktualisierung : "), nullptr);
    for (const wchar_t* button : {L"Jetzt &optimieren", L"&Wiederherstellen", L" &Updates suchen ..."}) {
        EXPECT_NE(FindDescendant(main, L"Button", button), nullptr) << Narrow(button);
    }
    EXPECT_EQ(FindDescendant(main, L"Button", L"&Optimize now"), nullptr);

    HWND about = FindProgramWindow(kAboutClass, program.Id());
    ASSERT_NE(about, nullptr);
    HWND link = view.Label(L"Info \u00fcber Zentrim");
    ASSERT_NE(link, nullptr);
    ClickWindow(link);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 15s));
    EXPECT_EQ(WindowText(about), L"Info \u00fcber Zentrim");
    EXPECT_NE(FindDescendant(about, L"Static", L"Weitere Informationen zu dieser Software"), nullptr);
    EXPECT_EQ(WindowText(FindDescendantStartingWith(about, L"Static", L"Zentrim 2")),
              L"Zentrim 2  (Version : 2.10.21.2024)");
    EXPECT_NE(FindDescendantStartingWith(about, L"Static", L"Warnung: Dieses Computerprogramm"), nullptr);
    EXPECT_NE(FindDescendant(about, L"Button", L"&Hilfe"), nullptr);
    HWND close = FindDescendant(about, L"Button", L"&Schlie\u00dfen");
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(SaveArtifact(about, L"about-window-german"));
    PressButton(close);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) == FALSE; }, 15s));

    CloseMainInstance(program, main);
}

} // namespace
} // namespace zentrim::e2e
