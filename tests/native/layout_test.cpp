// The layouts of the three windows, built for real on the headless toolkit, against the design's
// tables written out here by hand: every component's kind, parent, place, size, own font, cursor,
// tab order and English text, no component the design does not name, and the order Tab walks.
#include "app/main/main_form.h"

#include "catalogue/captions.h"
#include "catalogue/catalogue_source.h"
#include "engine/clock.h"
#include "engine/custom_registry.h"
#include "engine/date_text.h"
#include "engine/date_time.h"
#include "engine/memory_registry_store.h"
#include "engine/regional_formats.h"
#include "engine/restart.h"
#include "engine/windows_version.h"
#include "launch/recording_launcher.h"
#include "support/designed_layouts.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"
#include "ui/sound.h"

#include "support/windows10_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zentrim {
namespace {

using namespace toolkit;
using namespace design_layout;

std::string Utf8(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

// Points to pixels at 96 dots per inch, rounded to nearest.
int PixelsAt96Dpi(int points) {
    return (points * 96 + 36) / 72;
}

std::u16string TextOf(const Control& control) {
    if (const auto* label = control.As<Label>()) {
        return label->Caption();
    }
    if (const auto* button = control.As<Button>()) {
        return button->Caption();
    }
    return {};
}

struct Counts {
    int components = 0;
    int fields = 0;
};

// Compares every component the table names with the window, field by field. `windowFace` is the
// face every own font has once the window's font has been applied; empty: the designed "Tahoma".
Counts CheckTable(const Form& form, const std::vector<Row>& table, std::u16string_view windowFace) {
    Counts counts;
    for (const Row& row : table) {
        SCOPED_TRACE(Utf8(row.name));
        const Control* control = AsControl(form.FindComponent(row.name));
        if (control == nullptr) {
            ADD_FAILURE() << "missing";
            continue;
        }
        ++counts.components;
        EXPECT_EQ(control->Name(), row.name); // exact letter case
        EXPECT_EQ(control->Kind(), row.kind);
        EXPECT_EQ(control->Parent() == nullptr ? std::u16string() : control->Parent()->Name(), row.parent);
        EXPECT_EQ(control->Top(), row.top);
        counts.fields += 4;
        if (row.rightEdge) {
            EXPECT_EQ(control->Left() + control->Width(), *row.rightEdge);
        } else {
            EXPECT_EQ(control->Left(), row.left);
        }
        ++counts.fields;
        if (row.width != 0) {
            EXPECT_EQ(control->Width(), row.width);
            EXPECT_EQ(control->Height(), row.height);
            counts.fields += 2;
        }
        if (row.font) {
            EXPECT_TRUE(control->HasFont());
            EXPECT_FALSE(control->ParentFont()) << "a font of its own";
            const Font font = control->GetFont();
            EXPECT_EQ(font.style, row.font->style);
            EXPECT_EQ(font.color, row.font->color);
            EXPECT_EQ(PixelsAt96Dpi(font.size), row.font->pixels);
            EXPECT_EQ(font.name, windowFace.empty() ? std::u16string(u"Tahoma") : std::u16string(windowFace));
            counts.fields += 5;
        } else if (control->HasFont()) {
            EXPECT_TRUE(control->ParentFont()) << "follows the window's font";
            ++counts.fields;
        }
        EXPECT_EQ(control->GetCursor(), row.cursor);
        ++counts.fields;
        if (row.tab) {
            EXPECT_EQ(control->TabOrder(), *row.tab);
            ++counts.fields;
        }
        if (!row.text.empty()) {
            EXPECT_EQ(TextOf(*control), row.text);
            ++counts.fields;
        }
        if (row.color) {
            if (const auto* panel = control->As<Panel>()) {
                EXPECT_EQ(panel->GetColor(), *row.color);
                EXPECT_FALSE(panel->Bevel()) << "no border";
            } else if (const auto* memo = control->As<Memo>()) {
                EXPECT_EQ(memo->GetColor(), *row.color);
            }
            ++counts.fields;
        }
    }
    return counts;
}

// Every control of the window is one the table names (image lists and menus are not controls).
void CheckNothingElse(const Form& form, const std::vector<Row>& table) {
    std::set<std::u16string_view> named;
    for (const Row& row : table) {
        named.insert(row.name);
    }
    for (const Component* component : form.Components()) {
        if (AsControl(component) != nullptr) {
            EXPECT_TRUE(named.count(component->Name()) == 1)
                << "not in the design: " << Utf8(component->Name());
        }
    }
}

// The controls Tab walks, in order: within each container the controls with a tab number first,
// by number, then the others in creation order and the links without a number last; a panel's
// controls are walked at the panel's place.
int TabGroup(const Control& control) {
    if (control.TabOrder() >= 0) {
        return 0;
    }
    const auto* label = control.As<Label>();
    return label != nullptr && label->IsLink() ? 2 : 1;
}

void WalkTabs(const Form& form, const Panel* container, std::vector<std::u16string>& stops) {
    std::vector<const Control*> children;
    for (const Component* component : form.Components()) {
        const Control* control = AsControl(component);
        if (control != nullptr && control->Parent() == container) {
            children.push_back(control);
        }
    }
    std::stable_sort(children.begin(), children.end(), [](const Control* a, const Control* b) {
        return std::pair(TabGroup(*a), a->TabOrder()) < std::pair(TabGroup(*b), b->TabOrder());
    });
    for (const Control* control : children) {
        if (!control->Visible() || !control->Enabled()) {
            continue;
        }
        if (const auto* panel = control->As<Panel>()) {
            WalkTabs(form, panel, stops);
        } else if (control->TabStop()) {
            stops.push_back(control->Name());
        }
    }
}

std::vector<std::u16string> TabWalk(const Form& form) {
    std::vector<std::u16string> stops;
    WalkTabs(form, nullptr, stops);
    return stops;
}

using testing::Windows10Source;

class WindowLayout : public ::testing::Test {
protected:
    // A desktop font smaller than every designed font: the window takes its face, and every own
    // font keeps its designed size.
    WindowLayout() { backend_.SetDesktopFont(Font{u"Arial", 6, 0, kWindowTextColour}); }

    void MakeMain() {
        main_ = std::make_unique<MainForm>(MainFormDependencies{.app = app_,
                                                                .registry = registry_,
                                                                .captions = captions_,
                                                                .clickSound = sound_,
                                                                .shell = shell_,
                                                                .restart = restart_,
                                                                .versionSource = version_,
                                                                .clock = clock_,
                                                                .dateFormatter = formatter_});
    }

    HeadlessBackend backend_;
    Application app_{backend_};
    MemoryRegistryStore store_;
    CustomRegistry registry_{store_};
    FolderCatalogueSource catalogues_{std::string(ZENTRIM_RESOURCES_DIR) + "/captions"};
    CaptionCatalogue captions_{registry_, catalogues_};
    RecordingClickSound sound_;
    RecordingLauncher launcher_;
    Shell shell_{launcher_, u"C:\\Apps\\Zentrim\\"};
    RecordingSystemRestart restart_;
    Windows10Source version_;
    FixedClock clock_{*EncodeDateTime({2024, 6, 1, 12, 0, 0, 0})};
    DateTextFormatter formatter_{EnglishUnitedStatesFormatSettings(), EnglishUnitedStatesFormatSettings()};
    std::unique_ptr<MainForm> main_;
};

TEST_F(WindowLayout, MainWindowMatchesTheDesign) {
    MakeMain();
    const Form& form = main_->Form();
    EXPECT_EQ(form.ClassName(), u"TZTMainForm");
    EXPECT_EQ(form.Name(), u"ZTMainForm");
    EXPECT_EQ(form.ClientWidth(), 764);
    EXPECT_EQ(form.ClientHeight(), 500);
    EXPECT_EQ(form.Border(), FormBorder::Single);
    EXPECT_EQ(form.Position(), FormPosition::ScreenCenter);
    EXPECT_EQ(form.Caption(), u"Zentrim - Make your computer, games & internet run faster");
    EXPECT_EQ(form.GetFont().name, u"Arial");

    const Counts counts = CheckTable(form, MainWindowTable(), u"Arial");
    EXPECT_EQ(counts.components, 36);
    CheckNothingElse(form, MainWindowTable());
    std::cout << "main window: " << counts.components << " components, " << counts.fields << " fields\n";

    // Labels on the window are transparent over the background picture; the description is the
    // one label of fixed size, word-wrapped, with ampersands shown as they are.
    for (const Row& row : MainWindowTable()) {
        if (row.kind == kLabel && row.parent.empty()) {
            EXPECT_TRUE(form.Find<Label>(row.name)->Transparent()) << Utf8(row.name);
        }
    }
    const Label& description = main_->BenefitsDescription();
    EXPECT_FALSE(description.AutoSize());
    EXPECT_TRUE(description.WordWrap());
    EXPECT_FALSE(description.ShowAccelChar());
    EXPECT_EQ(main_->FasterLabel().Alignment(), TextAlignment::Right);
    EXPECT_TRUE(main_->GoButton().IsDefault());
    EXPECT_FALSE(main_->RestoreButton().Enabled());
    EXPECT_TRUE(main_->UpdatesButton().Shield());
    const TrackBar& speed = main_->SpeedTrackBar();
    EXPECT_EQ(speed.Min(), 0);
    EXPECT_EQ(speed.Max(), 1);
    EXPECT_EQ(speed.PageSize(), 1);
    EXPECT_EQ(speed.GetTickMarks(), TickMarks::Both);
    EXPECT_EQ(speed.ThumbLength(), 26);
    for (const Image* image : {&main_->BackgroundImage(), &main_->TopLogoImage()}) {
        EXPECT_TRUE(image->Stretch()) << Utf8(image->Name());
    }
    EXPECT_EQ(main_->PopupMenu().Alignment(), MenuAlignment::Right);
    const std::vector<std::u16string> items{u"HelpFilePopup", u"N1", u"TechSupportPopup"};
    std::vector<std::u16string> seen;
    for (const Component* component : form.Components()) {
        if (const auto* item = component->As<MenuItem>()) {
            EXPECT_EQ(item->Menu(), &main_->PopupMenu());
            seen.push_back(item->Name());
        }
    }
    EXPECT_EQ(seen, items);
    EXPECT_EQ(main_->TechSupportPopup().Caption(), u"&Contact technical support");
}

std::vector<std::u16string> Stops(const std::vector<std::u16string_view>& walk,
                                  std::u16string_view without = {}) {
    std::vector<std::u16string> stops;
    for (std::u16string_view stop : walk) {
        if (stop != without) {
            stops.emplace_back(stop);
        }
    }
    return stops;
}

TEST_F(WindowLayout, MainWindowTabWalkFollowsTheDesignedNumbers) {
    MakeMain();
    // "&Restore" starts disabled, so Tab passes it by; the benefits panel holds nothing to focus.
    EXPECT_EQ(TabWalk(main_->Form()), Stops(MainWindowTabWalk(), u"RestoreButton"));
    main_->RestoreButton().SetEnabled(true);
    EXPECT_EQ(TabWalk(main_->Form()), Stops(MainWindowTabWalk()));
}

TEST_F(WindowLayout, MainWindowOwnFontsOnAUsualDesktopTakeItsFaceAndAtLeastItsSize) {
    backend_.SetDesktopFont(Font{u"Segoe UI", 12, 0, kWindowTextColour});
    MakeMain();
    EXPECT_EQ(main_->Form().GetFont().size, 9);
    for (const Row& row : MainWindowTable()) {
        if (row.font) {
            SCOPED_TRACE(Utf8(row.name));
            const Font font = AsControl(main_->Form().FindComponent(row.name))->GetFont();
            EXPECT_EQ(font.name, u"Segoe UI");
            // 11 pixels (8 points) are raised to the window's 9 points; 13 pixels stay.
            EXPECT_EQ(font.size, row.font->pixels == 13 ? 10 : 9);
            EXPECT_EQ(font.style, row.font->style);
            EXPECT_EQ(font.color, row.font->color);
        }
    }
}

TEST_F(WindowLayout, AboutWindowMatchesTheDesignBeforeAndAfterShowing) {
    MakeMain();
    AboutForm& about = main_->About();
    Form& form = about.Form();
    EXPECT_EQ(form.ClassName(), u"TZTAboutForm");
    EXPECT_EQ(form.ClientWidth(), 700);
    EXPECT_EQ(form.ClientHeight(), 441);
    EXPECT_EQ(form.Border(), FormBorder::Dialog);
    EXPECT_EQ(form.GetColor(), kButtonFaceColour);
    EXPECT_EQ(form.Position(), FormPosition::OwnerFormCenter);
    EXPECT_EQ(form.Owner(), &main_->Form());

    // As designed: texts come from the catalogue only when it is shown, so they are not compared.
    std::vector<Row> designed = AboutWindowTable();
    for (Row& row : designed) {
        row.text = {};
    }
    CheckTable(form, designed, u"");
    CheckNothingElse(form, designed);

    Counts counts;
    backend_.QueueModalAction([&](Form&) {
        counts = CheckTable(form, AboutWindowTable(), u"Arial");
        EXPECT_EQ(TabWalk(form), Stops(AboutWindowTabWalk()));
        EXPECT_TRUE(about.CloseButton().Focused());
    });
    EXPECT_EQ(form.ShowModal(), kModalCancel);
    EXPECT_EQ(counts.components, 12);
    std::cout << "About window: " << counts.components << " components, " << counts.fields << " fields\n";

    EXPECT_TRUE(about.CloseButton().IsDefault());
    EXPECT_EQ(about.CloseButton().ModalResult(), 1);
    EXPECT_TRUE(about.LicensedMemo().ReadOnly());
    EXPECT_EQ(about.LicensedMemo().GetScrollBars(), ScrollBars::Vertical);
    EXPECT_FALSE(about.CopyrightWarningLabel().AutoSize());
    EXPECT_TRUE(about.CopyrightWarningLabel().WordWrap());
    for (const Row& row : designed) {
        if (row.kind == kLabel) {
            EXPECT_TRUE(form.Find<Label>(row.name)->Transparent()) << Utf8(row.name);
        }
        if (row.kind == kImage) {
            EXPECT_TRUE(form.Find<Image>(row.name)->Stretch()) << Utf8(row.name);
        }
    }
}

TEST_F(WindowLayout, ProgressWindowMatchesTheDesignBeforeAndAfterShowing) {
    MakeMain();
    ProgressForm& progress = main_->Progress();
    Form& form = progress.Form();
    EXPECT_EQ(form.ClassName(), u"TZTSettingsForm");
    EXPECT_EQ(form.ClientWidth(), 479);
    EXPECT_EQ(form.ClientHeight(), 146);
    EXPECT_EQ(form.Border(), FormBorder::SingleNoButtons);
    EXPECT_EQ(form.GetColor(), kButtonFaceColour);
    EXPECT_EQ(form.Position(), FormPosition::OwnerFormCenter);
    EXPECT_EQ(form.Owner(), &main_->Form());

    CheckTable(form, ProgressWindowTable(), u"");
    CheckNothingElse(form, ProgressWindowTable());
    form.Show();
    const Counts counts = CheckTable(form, ProgressWindowTable(), u"Arial");
    EXPECT_EQ(counts.components, 4);
    std::cout << "progress window: " << counts.components << " components, " << counts.fields << " fields\n";
    EXPECT_TRUE(TabWalk(form).empty()); // nothing in it takes input

    EXPECT_EQ(progress.CurrentSettingsHeading().Layout(), TextLayout::Center);
    EXPECT_EQ(progress.CurrentSettingsLabel().Layout(), TextLayout::Center);
    EXPECT_TRUE(progress.CurrentSettingsHeading().Transparent());
    EXPECT_TRUE(progress.CurrentSettingsLabel().Transparent());
    EXPECT_TRUE(progress.MainProgress().Smooth());
    EXPECT_EQ(progress.MainProgress().Min(), 0);
    EXPECT_EQ(progress.MainProgress().Max(), 100);
    // The labels on the panel show its hourglass.
    EXPECT_EQ(progress.CurrentSettingsLabel().EffectiveCursor(), Cursor::HourGlass);
}

} // namespace
} // namespace zentrim
