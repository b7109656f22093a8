// The component model and the application object, driven through the headless backend.
#include "base/text.h"
#include "toolkit/application.h"
#include "toolkit/bevel.h"
#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"
#include "toolkit/image.h"
#include "toolkit/image_list.h"
#include "toolkit/label.h"
#include "toolkit/memo.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/picture_combo_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/track_bar.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zentrim::toolkit {
namespace {

class ToolkitTest : public ::testing::Test {
protected:
    HeadlessBackend backend;
    Application app{backend};

    static int Changes(const Component& component, Change change) {
        return static_cast<const HeadlessPeer*>(component.GetPeer())->Count(change);
    }
};

TEST_F(ToolkitTest, ComponentsKeepCreationOrderAndAreFoundByNameWithoutCase) {
    Form form(app, {.className = u"TTestForm", .name = u"TestForm"});
    auto& panel = form.Add<Panel>({.name = u"MainPanel", .bounds = {0, 0, 200, 100}});
    auto& inner = form.Add<Label>({.name = u"InnerLabel", .parent = &panel, .caption = u"x"});
    auto& menu = form.Add<PopupMenu>({.name = u"PopupMenu"});
    auto& item = form.Add<MenuItem>({.name = u"HelpItem", .menu = &menu, .caption = u"&Help"});
    auto& button = form.Add<Button>({.name = u"GoButton"});

    const std::vector<Component*> expected{&panel, &inner, &menu, &item, &button};
    EXPECT_EQ(form.Components(), expected);
    EXPECT_EQ(form.FindComponent(u"innerlabel"), &inner);
    EXPECT_EQ(form.FindComponent(u"GOBUTTON"), &button);
    EXPECT_EQ(form.FindComponent(u"TestForm"), nullptr); // the form is not among its components
    EXPECT_EQ(form.Find<Label>(u"GoButton"), nullptr);   // found, but of another kind
    EXPECT_EQ(form.Find<Button>(u"GoButton"), &button);
    EXPECT_EQ(inner.Parent(), &panel);
    EXPECT_EQ(menu.Items(), std::vector<MenuItem*>{&item});
    EXPECT_EQ(AsControl(&item), nullptr);
    EXPECT_EQ(AsControl(&inner), &inner);
}

TEST_F(ToolkitTest, AParentFromAnotherFormIsRefused) {
    Form first(app, {.name = u"First"});
    Form second(app, {.name = u"Second"});
    auto& panel = first.Add<Panel>({.name = u"Panel"});
    EXPECT_THROW(second.Add<Label>({.name = u"Label", .parent = &panel}), std::invalid_argument);
}

TEST_F(ToolkitTest, ControlsWithoutAFontOfTheirOwnFollowTheirParent) {
    Form form(app, {.name = u"F", .font = Font{u"Tahoma", 8}});
    auto& panel = form.Add<Panel>({.name = u"P"});
    auto& follower = form.Add<Label>({.name = u"Follower", .parent = &panel});
    auto& own = form.Add<Label>({.name = u"Own", .parent = &panel, .font = Font{u"Arial", 11, kFontBold}});

    EXPECT_TRUE(follower.ParentFont());
    EXPECT_FALSE(own.ParentFont());
    EXPECT_EQ(follower.GetFont().name, u"Tahoma");

    form.SetFont({u"Verdana", 9});
    EXPECT_EQ(follower.GetFont(), (Font{u"Verdana", 9}));
    EXPECT_EQ(own.GetFont().name, u"Arial");
    EXPECT_EQ(Changes(follower, Change::TextFont), 1); // told through the panel
    EXPECT_EQ(Changes(own, Change::TextFont), 0);

    // A panel with a font of its own stops the form's font from reaching its controls.
    panel.SetFont({u"Courier New", 10});
    form.SetFont({u"Tahoma", 8});
    EXPECT_EQ(follower.GetFont().name, u"Courier New");

    // Setting a font turns the switch off; turning it off keeps the font shown.
    follower.SetParentFont(false);
    panel.SetFont({u"Arial", 12});
    EXPECT_EQ(follower.GetFont().name, u"Courier New");
    follower.SetParentFont(true);
    EXPECT_EQ(follower.GetFont().name, u"Arial");
    own.SetParentFont(true);
    EXPECT_EQ(own.GetFont().size, 12);
}

TEST_F(ToolkitTest, DesktopFontSwitchTakesTheDesktopFontUntilAFontIsSet) {
    backend.SetDesktopFont({u"Segoe UI", 12});
    Form form(app, {.name = u"F", .font = Font{u"Tahoma", 8}});
    auto& label = form.Add<Label>({.name = u"L"});
    form.SetDesktopFont(true);
    EXPECT_TRUE(form.DesktopFont());
    EXPECT_EQ(label.GetFont(), (Font{u"Segoe UI", 12}));

    backend.SetDesktopFont({u"Segoe UI", 9});
    form.DesktopFontChanged();
    EXPECT_EQ(form.GetFont().size, 9);

    form.SetFont({u"Segoe UI", 8});
    EXPECT_FALSE(form.DesktopFont());
    backend.SetDesktopFont({u"Tahoma", 14});
    form.DesktopFontChanged();
    EXPECT_EQ(form.GetFont().size, 8);
}

TEST_F(ToolkitTest, AutoSizedLabelsFollowTheirText) {
    Form form(app, {.name = u"F", .font = Font{u"Tahoma", 8}}); // 11 pixels: 6 wide, 13 high
    auto& left = form.Add<Label>({.name = u"Left", .bounds = {10, 5}, .caption = u"&Abc"});
    EXPECT_EQ(left.GetBounds(), (Bounds{10, 5, 18, 13})); // the accelerator mark takes no room

    auto& right = form.Add<Label>({.name = u"Right", .bounds = {300, 0, 7}, .caption = u"ab"},
                                  {.alignment = TextAlignment::Right});
    EXPECT_EQ(right.GetBounds().Right(), 307);
    right.SetCaption(u"Maximum Boost");
    EXPECT_EQ(right.GetBounds().Right(), 307); // grows to the left
    EXPECT_EQ(right.Width(), 13 * 6);

    auto& literal = form.Add<Label>({.name = u"Literal", .caption = u"a && b"}, {.showAccelChar = false});
    EXPECT_EQ(literal.Width(), 6 * 6);
    EXPECT_EQ(literal.DisplayText(), u"a && b");

    auto& wrapped = form.Add<Label>(
        {.name = u"Wrapped", .bounds = {0, 0, 60, 5}, .caption = u"one two three four"}, {.wordWrap = true});
    EXPECT_EQ(wrapped.Width(), 60);
    EXPECT_EQ(wrapped.Height(), 2 * 13);

    auto& fixed =
        form.Add<Label>({.name = u"Fixed", .bounds = {0, 0, 50, 40}, .caption = u"x"}, {.autoSize = false});
    fixed.SetCaption(u"a much longer caption");
    EXPECT_EQ(fixed.GetBounds(), (Bounds{0, 0, 50, 40}));

    // A bigger font makes the label bigger, also when it comes from the parent.
    form.SetFont({u"Tahoma", 10}); // 13 pixels: 7 wide, 15 high
    EXPECT_EQ(left.GetBounds(), (Bounds{10, 5, 21, 15}));
}

TEST(ToolkitText, AcceleratorMarksAndLines) {
    const struct {
        std::u16string_view caption;
        std::u16string_view shown;
    } captions[] = {{u"&Optimize now", u"Optimize now"},
                    {u"gaming && internet", u"gaming & internet"},
                    {u"a&&&b", u"a&b"},
                    {u"end&", u"end"},
                    {u"", u""}};
    for (const auto& c : captions) {
        EXPECT_EQ(StripAccelerators(c.caption), c.shown) << ToUtf8(c.caption);
    }

    const struct {
        std::u16string_view text;
        std::vector<std::u16string> lines;
    } texts[] = {{u"", {}},
                 {u"one", {u"one"}},
                 {u"one\r\ntwo", {u"one", u"two"}},
                 {u"one\rtwo\nthree", {u"one", u"two", u"three"}},
                 {u"one\r\n", {u"one"}},
                 {u"one\r\n\r\ntwo", {u"one", u"", u"two"}}};
    for (const auto& t : texts) {
        EXPECT_EQ(SplitLines(t.text), t.lines) << ToUtf8(t.text);
    }

    EXPECT_EQ(ShortHint(u"Short|Long"), u"Short");
    EXPECT_EQ(LongHint(u"Short|Long"), u"Long");
    EXPECT_EQ(LongHint(u"Both"), u"Both");
}

TEST_F(ToolkitTest, OnlyShowingControlsThatTakeInputCanBeUsed) {
    Form form(app, {.name = u"F"});
    auto& panel = form.Add<Panel>({.name = u"P", .bounds = {0, 0, 100, 100}});
    auto& button = form.Add<Button>({.name = u"B", .parent = &panel});
    int clicks = 0;
    button.onClick = [&](Component& sender) {
        EXPECT_EQ(&sender, &button);
        ++clicks;
    };

    EXPECT_FALSE(backend.Click(button)); // the form is hidden
    form.Show();
    EXPECT_TRUE(backend.Click(button));
    panel.SetEnabled(false);
    EXPECT_FALSE(backend.Click(button));
    panel.SetEnabled(true);
    form.SetEnabled(false);
    EXPECT_FALSE(backend.Click(button));
    form.SetEnabled(true);
    panel.SetVisible(false);
    EXPECT_FALSE(backend.Click(button));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ToolkitTest, MouseEnterAndLeaveArriveInOrderWithTheirSender) {
    Form form(app, {.name = u"F"});
    auto& picture = form.Add<Image>({.name = u"NavButton1", .bounds = {0, 0, 80, 27}});
    auto& label = form.Add<Label>({.name = u"NavStatic1", .bounds = {30, 6}, .caption = u"Help"});
    std::vector<std::u16string> log;
    const NotifyEvent enter = [&](Component& sender) { log.push_back(u"enter " + sender.Name()); };
    const NotifyEvent leave = [&](Component& sender) { log.push_back(u"leave " + sender.Name()); };
    for (Control* control : {static_cast<Control*>(&picture), static_cast<Control*>(&label)}) {
        control->onMouseEnter = enter;
        control->onMouseLeave = leave;
    }
    form.Show();
    backend.Hover(picture);
    backend.Hover(label);
    backend.Hover(label); // staying on it raises nothing
    form.Hide();          // the mouse cannot be over a hidden form's control
    const std::vector<std::u16string> expected{u"enter NavButton1", u"leave NavButton1", u"enter NavStatic1",
                                               u"leave NavStatic1"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(form.HotControl(), nullptr);
}

TEST_F(ToolkitTest, ModalShowingDisablesTheOwnerAndEndsWithTheButtonsResult) {
    Form owner(app, {.name = u"Main"});
    Form about(app, {.name = u"About", .position = FormPosition::OwnerFormCenter, .owner = &owner});
    auto& close = about.Add<Button>({.name = u"CloseButton"}, {.isDefault = true, .modalResult = kModalOk});
    auto& help = about.Add<Button>({.name = u"HelpButton"});
    int shows = 0;
    about.onShow = [&](Form&) { ++shows; };
    owner.Show();

    backend.QueueModalAction([&](Form& form) {
        EXPECT_EQ(&form, &about);
        EXPECT_TRUE(about.Visible());
        EXPECT_FALSE(owner.Enabled());
        EXPECT_TRUE(backend.Click(help)); // no modal result: the showing goes on
        EXPECT_TRUE(about.ModalRunning());
        EXPECT_TRUE(backend.Click(close));
        EXPECT_FALSE(about.ModalRunning());
    });
    EXPECT_EQ(about.ShowModal(), kModalOk);
    EXPECT_FALSE(about.Visible());
    EXPECT_TRUE(owner.Enabled());

    backend.QueueModalAction([&](Form&) { backend.CloseByUser(about); });
    EXPECT_EQ(about.ShowModal(), kModalCancel);
    backend.QueueModalAction([&](Form&) { EXPECT_TRUE(backend.PressEnter(about)); });
    EXPECT_EQ(about.ShowModal(), kModalOk);
    EXPECT_EQ(about.ShowModal(), kModalCancel); // nothing done: ends as if closed
    EXPECT_EQ(shows, 4);
    EXPECT_EQ(backend.ModalShowings().size(), 4u);

    // Centred over the owner each time.
    const Rect ownerRect = owner.WindowRect();
    const Rect aboutRect = about.WindowRect();
    EXPECT_EQ(ownerRect.left + ownerRect.right, aboutRect.left + aboutRect.right);
}

TEST_F(ToolkitTest, AModalShowingLeavesAnOwnerDisabledBeforeDisabled) {
    Form owner(app, {.name = u"Main"});
    Form dialog(app, {.name = u"Dialog", .owner = &owner});
    owner.SetEnabled(false); // as during a run
    EXPECT_EQ(dialog.ShowModal(), kModalCancel);
    EXPECT_FALSE(owner.Enabled());

    dialog.Show(); // a form already shown cannot become modal
    EXPECT_EQ(dialog.ShowModal(), kModalNone);
    EXPECT_TRUE(backend.ModalShowings().size() == 1u);
}

TEST_F(ToolkitTest, TheNativeSideIsToldOfModelChangesButNotOfTheUsersOwn) {
    Form form(app, {.name = u"F"});
    auto& panel = form.Add<Panel>({.name = u"P"});
    auto& label = form.Add<Label>({.name = u"L", .parent = &panel, .caption = u"ab"});
    auto& memo = form.Add<Memo>({.name = u"M"});
    auto& combo = form.Add<PictureComboBox>({.name = u"C"}, {.items = {{u"a", -1}, {u"b", -1}}});
    form.Show();

    label.SetCaption(u"ab"); // unchanged: nothing to do
    EXPECT_EQ(Changes(label, Change::Text), 0);
    label.SetCaption(u"abc"); // the text, then the size that follows from it
    EXPECT_EQ(Changes(label, Change::Text), 1);
    EXPECT_EQ(Changes(label, Change::Placement), 1);
    panel.SetFont({u"Arial", 9});
    EXPECT_EQ(Changes(label, Change::TextFont), 1);
    label.SetFocus();
    EXPECT_EQ(Changes(form, Change::Focus), 1);
    EXPECT_TRUE(label.Focused());

    // What the user typed or chose is already in the control: telling it again would move
    // the caret or reopen the list.
    int memoChanges = 0;
    memo.onChange = [&](Component&) { ++memoChanges; };
    memo.TextEditedByUser(u"typed");
    EXPECT_EQ(memo.Text(), u"typed");
    EXPECT_EQ(memoChanges, 1);
    EXPECT_EQ(Changes(memo, Change::Text), 0);
    backend.Choose(combo, 1);
    EXPECT_EQ(combo.SelectedIndex(), 1);
}

TEST_F(ToolkitTest, TerminatingTwiceAsksTheLoopToEndOnce) {
    Form main(app, {.name = u"Main"});
    backend.Post([&] {
        app.Terminate();
        app.Terminate();
    });
    app.Run(main);
    EXPECT_TRUE(app.Terminated());
    EXPECT_TRUE(backend.QuitPosted());
}

// The toolkit catches a failing handler where it raises the event: the handler ends, the showing
// or the click goes on, and the next event runs the handler again.
TEST_F(ToolkitTest, AFailingHandlerEndsOnlyItselfAndTheWindowGoesOn) {
    Form owner(app, {.name = u"Main"});
    Form dialog(app, {.name = u"Dialog", .owner = &owner});
    int shows = 0;
    dialog.onShow = [&](Form&) {
        ++shows;
        throw std::runtime_error("fails");
    };
    EXPECT_EQ(dialog.ShowModal(), kModalCancel);
    EXPECT_EQ(dialog.ShowModal(), kModalCancel);
    EXPECT_EQ(shows, 2);
    EXPECT_TRUE(owner.Enabled());
    EXPECT_FALSE(dialog.IsModal());

    auto& button = owner.Add<Button>({.name = u"GoButton"});
    int clicks = 0;
    button.onClick = [&](Component&) {
        ++clicks;
        throw std::runtime_error("fails");
    };
    owner.Show();
    EXPECT_TRUE(backend.Click(button));
    EXPECT_TRUE(backend.Click(button));
    EXPECT_EQ(clicks, 2);
}

TEST_F(ToolkitTest, ClosingHidesAndClosingTheMainFormEndsTheApplication) {
    Form main(app, {.name = u"Main"});
    Form progress(app, {.name = u"Progress", .owner = &main});
    Form stubborn(app, {.name = u"Stubborn"});
    stubborn.onClose = [](Form&, CloseAction& action) { action = CloseAction::None; };
    progress.Show();
    stubborn.Show();
    backend.Post([&] {
        backend.CloseByUser(progress);
        backend.CloseByUser(stubborn);
    });
    backend.Post([&] { backend.CloseByUser(main); });
    backend.Post([] { ADD_FAILURE() << "ran after the main form closed"; });
    app.Run(main);
    EXPECT_FALSE(progress.Visible());
    EXPECT_TRUE(stubborn.Visible());
    EXPECT_FALSE(main.Visible());
    EXPECT_TRUE(app.Terminated());
    EXPECT_TRUE(backend.QuitPosted());
}

TEST_F(ToolkitTest, ProcessMessagesRunsOnlyWhatIsWaiting) {
    int runs = 0;
    backend.Post([&] {
        ++runs;
        backend.Post([&] { ++runs; });
    });
    app.ProcessMessages();
    EXPECT_EQ(runs, 1);
    app.ProcessMessages();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(backend.ProcessMessagesCount(), 2);
}

TEST_F(ToolkitTest, MessageBoxesAnswerFromTheScriptAndAreRecorded) {
    Form main(app, {.name = u"Main"});
    backend.QueueAnswer(kIdNo);
    EXPECT_EQ(app.ShowMessageBox(u"Restart now?", u"Title", kMbYesNo | kMbIconQuestion, &main), kIdNo);
    EXPECT_EQ(app.ShowMessageBox(u"Continue?", u"Title", kMbOkCancel), kIdOk); // default button
    ASSERT_EQ(backend.MessageBoxes().size(), 2u);
    const MessageBoxRecord& first = backend.MessageBoxes()[0];
    EXPECT_EQ(first.owner, &main);
    EXPECT_EQ(first.text, u"Restart now?");
    EXPECT_EQ(first.title, u"Title");
    EXPECT_EQ(first.flags, kMbYesNo | kMbIconQuestion);
    EXPECT_EQ(backend.MessageBoxes()[1].owner, nullptr);

    const struct {
        unsigned flags;
        int answer;
    } defaults[] = {{kMbOk, kIdOk},
                    {kMbYesNo, kIdYes},
                    {kMbYesNo | kMbDefButton2, kIdNo},
                    {kMbYesNoCancel | kMbDefButton3, kIdCancel},
                    {kMbOk | kMbDefButton2, kIdOk}, // no second button: the first
                    {kMbRetryCancel | kMbDefButton2, kIdCancel}};
    for (const auto& d : defaults) {
        EXPECT_EQ(DefaultMessageBoxAnswer(d.flags), d.answer) << d.flags;
    }
}

TEST_F(ToolkitTest, TrackBarPositionsStayInTheRange) {
    Form form(app, {.name = u"F"});
    auto& bar = form.Add<TrackBar>({.name = u"SpeedTrackBar"}, {.min = 0, .max = 1, .position = 5});
    EXPECT_EQ(bar.Position(), 1);
    int changes = 0;
    bar.onChange = [&](Component&) { ++changes; };
    bar.SetPosition(-3);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(changes, 0); // setting from code raises nothing
    form.Show();
    backend.Drag(bar, 1);
    backend.Drag(bar, 7); // already at the end
    EXPECT_EQ(bar.Position(), 1);
    EXPECT_EQ(changes, 1);
    bar.SetRange(2, 1); // a maximum below the minimum
    EXPECT_EQ(bar.Min(), 2);
    EXPECT_EQ(bar.Max(), 2);
    EXPECT_EQ(bar.Position(), 2);

    auto& progress = form.Add<ProgressBar>({.name = u"MainProgress"}, {.smooth = true});
    progress.SetPosition(101);
    EXPECT_EQ(progress.Position(), 100);
    progress.SetPosition(-1);
    EXPECT_EQ(progress.Position(), 0);
}

TEST_F(ToolkitTest, ComboSelectionIsAnItemOrNothing) {
    Form form(app, {.name = u"F"});
    auto& images = form.Add<ImageList>({.name = u"Pictures"});
    auto& combo = form.Add<PictureComboBox>(
        {.name = u"ModemCombo"},
        {.items = {{u"Dial-up", 0}, {u"DSL", 1}, {u"Cable", 2}}, .images = &images, .selectedIndex = 7});
    EXPECT_EQ(combo.SelectedIndex(), -1);
    combo.SetSelectedIndex(2);
    EXPECT_EQ(combo.SelectedCaption(), u"Cable");
    combo.SetSelectedIndex(3);
    EXPECT_EQ(combo.SelectedIndex(), -1);
    EXPECT_EQ(combo.SelectedCaption(), u"");

    int changes = 0;
    combo.onChange = [&](Component&) { ++changes; };
    form.Show();
    backend.Choose(combo, 1);
    backend.Choose(combo, 1);
    EXPECT_EQ(changes, 1);
    combo.SetItems({{u"Only", -1}});
    EXPECT_EQ(combo.SelectedIndex(), -1);
}

TEST_F(ToolkitTest, MemoAndEditTexts) {
    Form form(app, {.name = u"F"});
    auto& memo = form.Add<Memo>({.name = u"LicensedMemo"}, {.text = u"old\r\ntext", .readOnly = true});
    memo.SetText(u"one\r\ntwo");
    EXPECT_EQ(memo.Lines(), (std::vector<std::u16string>{u"one", u"two"}));
    memo.SetLines({u"a", u"", u"b"});
    EXPECT_EQ(memo.Text(), u"a\r\n\r\nb");

    auto& edit = form.Add<Edit>({.name = u"NameEdit"});
    std::u16string seen;
    edit.onChange = [&](Component& sender) { seen = sender.As<Edit>()->Text(); };
    form.Show();
    EXPECT_TRUE(backend.Type(edit, u"typed"));
    EXPECT_EQ(seen, u"typed");
    auto& readOnly = form.Add<Edit>({.name = u"ReadOnlyEdit"}, {.readOnly = true});
    EXPECT_FALSE(backend.Type(readOnly, u"x"));
}

TEST_F(ToolkitTest, EnterPressesOnlyAnEnabledDefaultButton) {
    Form form(app, {.name = u"F"});
    form.Add<Button>({.name = u"Other"});
    auto& go = form.Add<Button>({.name = u"GoButton"}, {.isDefault = true});
    int clicks = 0;
    go.onClick = [&](Component&) { ++clicks; };
    form.Show();
    EXPECT_EQ(form.DefaultButton(), &go);
    EXPECT_TRUE(backend.PressEnter(form));
    go.SetEnabled(false);
    EXPECT_FALSE(backend.PressEnter(form));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ToolkitTest, KeyPressesReachTheShortCutEventFirst) {
    std::vector<int> keys;
    app.onShortCut = [&](int key, bool& handled) {
        keys.push_back(key);
        handled = key == 0x1B;
    };
    EXPECT_FALSE(backend.PressKey(app, 0x70));
    EXPECT_TRUE(backend.PressKey(app, 0x1B));
    EXPECT_EQ(keys, (std::vector<int>{0x70, 0x1B}));
}

TEST_F(ToolkitTest, PopupMenusRecordWhereTheyOpenAndRunTheChosenItem) {
    Form form(app, {.name = u"F"});
    auto& menu = form.Add<PopupMenu>({.name = u"PopupMenu", .alignment = MenuAlignment::Right});
    auto& help = form.Add<MenuItem>({.name = u"HelpFilePopup", .menu = &menu, .caption = u"Get &help"});
    form.Add<MenuItem>({.name = u"N1", .menu = &menu, .separator = true});
    auto& support = form.Add<MenuItem>({.name = u"TechSupportPopup", .menu = &menu, .enabled = false});
    int helpClicks = 0;
    int supportClicks = 0;
    help.onClick = [&](Component&) { ++helpClicks; };
    support.onClick = [&](Component&) { ++supportClicks; };

    backend.QueueMenuChoice(u"helpfilepopup");
    backend.QueueMenuChoice(u"TechSupportPopup"); // disabled: nothing happens
    menu.Popup({750, 43});
    menu.Popup({750, 43});
    menu.Popup({10, 10}); // nothing queued: dismissed
    EXPECT_EQ(helpClicks, 1);
    EXPECT_EQ(supportClicks, 0);
    ASSERT_EQ(backend.Popups().size(), 3u);
    EXPECT_EQ(backend.Popups()[0].point, (Point{750, 43}));
    EXPECT_EQ(backend.Popups()[0].alignment, MenuAlignment::Right);
    EXPECT_EQ(help.DisplayText(), u"Get help");
}

TEST_F(ToolkitTest, ScreenPlacesFollowPanelsAndResolution) {
    backend.SetDpi(192);
    Form form(
        app, {.name = u"F", .clientWidth = 764, .clientHeight = 500, .position = FormPosition::ScreenCenter});
    auto& panel = form.Add<Panel>({.name = u"MainPanel", .bounds = {182, 91, 582, 388}});
    auto& button = form.Add<Button>({.name = u"GoButton", .parent = &panel, .bounds = {400, 95}});
    form.Show();
    EXPECT_EQ(button.PositionInForm(), (Point{582, 186}));
    const Point origin = form.ClientOrigin();
    EXPECT_EQ(button.ScreenRect(),
              (Rect{origin.x + 1164, origin.y + 372, origin.x + 1164 + 150, origin.y + 372 + 50}));
    // 1528 x 1000 client pixels and the frame do not fit a 1280 x 1024 screen: the window starts
    // at its top-left rather than off it.
    const Rect window = form.WindowRect();
    EXPECT_EQ(window.Width(), 1528 + 2 * HeadlessBackend::kBorder);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);

    backend.SetDpi(96);
    form.Hide();
    form.Show();
    EXPECT_EQ(form.WindowRect().left, (1280 - 764 - 2 * HeadlessBackend::kBorder) / 2);
}

TEST_F(ToolkitTest, ASizeTheLayoutLeavesOutIsTheKindsAndTheKindDecidesTheTabStop) {
    Form form(app, {.name = u"F"});
    auto& button = form.Add<Button>({.name = u"GoButton", .bounds = {400, 95}});
    EXPECT_EQ(button.GetBounds(), (Bounds{400, 95, 75, 25}));
    auto& memo = form.Add<Memo>({.name = u"NotesMemo", .bounds = {.top = 270, .height = 30}});
    EXPECT_EQ(memo.GetBounds(), (Bounds{0, 270, 185, 30}));
    auto& flat = form.Add<Button>({.name = u"FlatButton", .bounds = {1, 2, 0, 0}}); // given, so kept
    EXPECT_EQ(flat.GetBounds(), (Bounds{1, 2, 0, 0}));
    button.SetBounds({10, 20, 90});
    EXPECT_EQ(button.GetBounds(), (Bounds{10, 20, 90, 25}));

    EXPECT_TRUE(button.TabStop());
    auto& skipped = form.Add<Button>({.name = u"Skipped", .tabStop = false});
    EXPECT_FALSE(skipped.TabStop());
    auto& label = form.Add<Label>({.name = u"Plain"});
    auto& link = form.Add<Label>({.name = u"Link"}, {.link = true});
    EXPECT_FALSE(label.TabStop());
    EXPECT_TRUE(link.TabStop());

    // A kind that shows no text has no font of its own: it follows its parent's.
    auto& line = form.Add<Bevel>({.name = u"Line", .font = Font{u"Arial", 20}});
    EXPECT_FALSE(line.HasFont());
    EXPECT_TRUE(line.ParentFont());
    EXPECT_EQ(line.GetFont(), form.GetFont());
}

TEST_F(ToolkitTest, CursorTableFallsBackToTheDefaultEntry) {
    CursorTable& cursors = app.Cursors();
    EXPECT_NE(cursors.Get(Cursor::HandPoint), nullptr);
    EXPECT_NE(cursors.Get(Cursor::HandPoint), cursors.Get(Cursor::Default));
    int hand = 0;
    cursors.Set(Cursor::HandPoint, &hand);
    EXPECT_EQ(cursors.Resolve(Cursor::HandPoint), &hand);
    cursors.Remove(Cursor::HandPoint);
    EXPECT_EQ(cursors.Resolve(Cursor::HandPoint), cursors.Get(Cursor::Default));

    Form form(app, {.name = u"F"});
    auto& panel = form.Add<Panel>({.name = u"SettingsPanel", .cursor = Cursor::HourGlass});
    auto& label = form.Add<Label>({.name = u"L", .parent = &panel});
    auto& link = form.Add<Label>({.name = u"Link", .parent = &panel, .cursor = Cursor::HandPoint});
    EXPECT_EQ(label.EffectiveCursor(), Cursor::HourGlass);
    EXPECT_EQ(link.EffectiveCursor(), Cursor::HandPoint);
}

} // namespace
} // namespace zentrim::toolkit
