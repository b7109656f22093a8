// The About window on the headless toolkit with the English catalogue.
#include "app/about/about_form.h"

#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/custom_registry.h"
#include "engine/memory_registry_store.h"
#include "launch/recording_launcher.h"
#include "launch/shell.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"
#include "ui/sound.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrim {
namespace {

using namespace toolkit;

struct VisibleWindows final : ProgramWindows {
    const Form* about = nullptr;
    bool IsAboutWindowVisible() const override { return about != nullptr && about->Visible(); }
    bool IsProgressWindowVisible() const override { return false; }
    bool IsMainWindowVisible() const override { return false; }
};

class AboutFormTest : public ::testing::Test {
protected:
    AboutFormTest() { windows_.about = &about_.Form(); }

    HeadlessBackend backend_;
    Application app_{backend_};
    Form mainForm_{app_, {.className = u"TZTMainForm", .name = u"ZTMainForm"}};
    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
    RecordingClickSound sound_;
    RecordingLauncher launcher_;
    Shell shell_{launcher_, u"C:\\Program Files\\Zentrim\\"};
    VisibleWindows windows_;
    AboutForm about_{app_, mainForm_, captions_, sound_, shell_, windows_};
};

TEST_F(AboutFormTest, EveryShowingGivesTheSameVersionLineAndFocusesClose) {
    const std::u16string expected = u"Zentrim 2  (Version : 2.10.21.2024)";
    for (int showing = 0; showing < 2; ++showing) {
        about_.HelpButton().SetFocus();
        backend_.QueueModalAction([&](Form& form) {
            EXPECT_EQ(about_.VersionLabel().Caption(), expected);
            EXPECT_TRUE(about_.CloseButton().Focused());
            EXPECT_EQ(form.Caption(), u"About Zentrim");
            EXPECT_TRUE(backend_.PressEnter(form)); // Enter presses Close
        });
        EXPECT_EQ(about_.Form().ShowModal(), kModalOk);
        EXPECT_FALSE(about_.Form().Visible());
    }
    EXPECT_EQ(about_.Form().ClassName(), u"TZTAboutForm");
    EXPECT_EQ(about_.Form().Position(), FormPosition::OwnerFormCenter);
}

// The product picture lies under the memo and the copyright warning, where the layout puts it: it
// must be the faint picture drawn to sit behind text (how faint is checked on the real resource).
TEST_F(AboutFormTest, TheProductPictureUnderTheTextIsTheWatermark) {
    const Image* icon = about_.Form().Find<Image>(u"LargeIcon");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->GetPicture(), Picture::FromResource(u"PRODUCT_WATERMARK"));
    EXPECT_EQ(icon->Left(), 372);
    EXPECT_EQ(icon->Top(), 130);
    EXPECT_EQ(icon->Width(), 256);
    EXPECT_EQ(icon->Height(), 256);
}

TEST_F(AboutFormTest, HoverUnderlinesTheLinkAndKeepsItsColourAndFace) {
    about_.Form().Show();
    Label& link = about_.LicenseAgreementLabel();
    const Font before = link.GetFont();
    EXPECT_EQ(before.color, 0xCC6600u);
    EXPECT_EQ(link.GetCursor(), Cursor::HandPoint);

    ASSERT_TRUE(backend_.Hover(link));
    EXPECT_TRUE(link.GetFont().Has(kFontUnderline));
    backend_.MoveMouseAway(about_.Form());
    EXPECT_EQ(link.GetFont(), before);
}

TEST_F(AboutFormTest, LicenceLinkClicksThenOpensTheTermsAndHelpShowsTheMainTopic) {
    about_.Form().Show();
    sound_.onPlay = [&] { EXPECT_TRUE(launcher_.Launches().empty()) << "the click comes first"; };
    ASSERT_TRUE(backend_.Click(about_.LicenseAgreementLabel()));
    EXPECT_EQ(sound_.Plays(), 1);
    ASSERT_EQ(launcher_.Launches().size(), 1u);
    EXPECT_EQ(launcher_.Launches()[0].file, u"C:\\Program Files\\Zentrim\\License.rtf");
    EXPECT_EQ(launcher_.Launches()[0].parameters, u"");

    ASSERT_TRUE(backend_.Click(about_.HelpButton()));
    EXPECT_EQ(sound_.Plays(), 1); // help plays no sound
    ASSERT_EQ(launcher_.HelpLocations().size(), 1u);
    EXPECT_EQ(launcher_.HelpLocations()[0], shell_.HelpLocation(u"Zentrim.chm", u"/html/main.htm"));

    about_.Form().Hide();
    about_.HelpButtonClick(); // no window of the program visible: no help
    EXPECT_EQ(launcher_.HelpLocations().size(), 1u);
}

TEST_F(AboutFormTest, FailingLauncherIsSwallowed) {
    about_.Form().Show();
    launcher_.FailFromNowOn();
    EXPECT_NO_THROW(about_.LicenseAgreementLabelClick());
    EXPECT_NO_THROW(about_.HelpButtonClick());
}

} // namespace
} // namespace zentrim
