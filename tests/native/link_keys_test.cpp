// The links from the keyboard, on the headless toolkit: Enter and Space on a focused link do what
// its click does (with the click sound where the click has one) and never press the window's
// default button.
#include "app/main/main_form.h"

#include "base/text.h"
#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "launch/recording_launcher.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/headless_backend.h"
#include "ui/sound.h"

#include "support/main_form_parts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace toolkit;

TEST(LinkKeys, EnterAndSpaceOnEachLinkDoWhatItsClickDoes) {
    HeadlessBackend backend;
    FolderCatalogueSource catalogues{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    testing::MainFormParts parts{backend, catalogues};
    MainForm& main = *parts.main;
    RecordingClickSound& sound = parts.sound;
    RecordingLauncher& launcher = parts.launcher;
    main.Form().Show();
    // Enter must not reach a default button: "&Optimize now" would start a run, Close would close.
    int defaultPresses = 0;
    main.GoButton().onClick = main.About().CloseButton().onClick = [&](Component&) { ++defaultPresses; };

    struct Case {
        Label& link;
        std::u16string page; // the page or file opened, if any
        bool help;           // the help's main topic shown, as by F1
        bool about;          // the About window shown modally
        bool sound;          // the click sound, before anything opens
    };
    const std::vector<Case> cases{
        {main.LinkLabel(4), u"", true, false, false},
        {main.LinkLabel(5), u"http://www.orvane.com/support/", false, false, true},
        {main.LinkLabel(6), u"http://www.orvane.com", false, false, true},
        {main.LinkLabel(7), u"", false, true, true},
        {main.About().LicenseAgreementLabel(), u"C:\\Apps\\Zentrim\\License.rtf", false, false, true},
    };
    for (const Case& c : cases) {
        for (const bool enter : {true, false}) {
            SCOPED_TRACE(ToUtf8(c.link.Name()) + (enter ? " Enter" : " Space"));
            Form& form = c.link.OwnerForm();
            form.Show();
            const std::size_t launches = launcher.Launches().size();
            const std::size_t helps = launcher.HelpLocations().size();
            const std::size_t showings = backend.ModalShowings().size();
            const int plays = sound.Plays();
            std::size_t launchesAtSound = launches;
            sound.onPlay = [&] { launchesAtSound = launcher.Launches().size(); };

            c.link.SetFocus();
            EXPECT_TRUE(enter ? backend.PressEnter(form) : backend.PressSpace(form));

            EXPECT_EQ(sound.Plays(), plays + (c.sound ? 1 : 0));
            EXPECT_EQ(launchesAtSound, launches) << "the sound comes first";
            ASSERT_EQ(launcher.Launches().size(), launches + (c.page.empty() ? 0 : 1));
            if (!c.page.empty()) {
                EXPECT_EQ(launcher.Launches().back().file, c.page);
            }
            ASSERT_EQ(launcher.HelpLocations().size(), helps + (c.help ? 1 : 0));
            if (c.help) {
                EXPECT_EQ(launcher.HelpLocations().back(),
                          parts.shell.HelpLocation(u"Zentrim.chm", u"/html/main.htm"));
            }
            ASSERT_EQ(backend.ModalShowings().size(), showings + (c.about ? 1 : 0));
            if (c.about) {
                EXPECT_EQ(backend.ModalShowings().back(), &main.About().Form());
            }
        }
    }
    EXPECT_EQ(defaultPresses, 0);

    // Links are the only labels that take the keys; a link that takes no input leaves them.
    EXPECT_FALSE(main.NavStatic(2).TabStop()); // the navigation items stay mouse-only
    main.LinkLabel(6).SetEnabled(false);
    main.LinkLabel(6).SetFocus();
    EXPECT_FALSE(backend.PressEnter(main.Form()));
    EXPECT_EQ(launcher.Launches().size(), 6u);
}

} // namespace
} // namespace zentrim
