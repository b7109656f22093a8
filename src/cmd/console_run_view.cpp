#include "cmd/console_run_view.h"

#include "base/text.h"
#include "cmd/console_reports.h"

namespace zentrim {

namespace {

// The first text of the warning an optimize run shows when it wrote no tweak because no backup
// could be saved or the one held cannot be used.
constexpr std::u16string_view kBackupFailedCaption = u"MessageBoxBackupFailed1";

// A text of the windows as console lines: UTF-8, with LF alone ending each line.
std::string Lines(std::u16string_view text) {
    std::string out = ToUtf8(text);
    std::erase(out, '\r');
    return out;
}

} // namespace

std::string ShownText(std::u16string_view text) {
    std::u16string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            shown += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            shown += u'&';
            ++i;
        }
    }
    return Lines(shown);
}

int ConsoleRunView::WindowsIndex() {
    return selection_.windowsIndex;
}

int ConsoleRunView::InternetType() {
    return InList(selection_.internetType, kInternetTypeList.size());
}

int ConsoleRunView::ProcessorType() {
    return InList(selection_.processorIndex, kProcessorList.size());
}

int ConsoleRunView::SpeedSetting() {
    return selection_.speedPosition;
}

int ConsoleRunView::ConvertWindowsVersion(int windowsIndex) {
    return zentrim::ConvertWindowsVersion(windowsIndex);
}

void ConsoleRunView::SetProgressHeading(std::u16string_view text) {
    Print(ShownText(text) + "\n");
}

void ConsoleRunView::ShowProgressStep(std::u16string_view text) {
    std::string shown = ShownText(text);
    const bool repeated = !steps_.empty() && steps_.back() == shown;
    steps_.push_back(std::move(shown));
    if (printing_.everyStep || !repeated) {
        Print("  " + steps_.back() + "\n");
    }
}

std::u16string ConsoleRunView::GetCaption(std::u16string_view windowName, std::u16string_view key) {
    backupWarned_ |= key == kBackupFailedCaption;
    return captions_.GetCaption(windowName, key);
}

int ConsoleRunView::ShowMessageBox(std::u16string_view text, std::u16string_view, std::uint32_t flags) {
    if (flags == message_box::kRestartQuestion) {
        restartOffered_ = true;
        return restart_ ? message_box::kIdYes : message_box::kIdNo;
    }
    if (flags == message_box::kRestoreConfirmation) {
        return message_box::kIdOk;
    }
    messages_.push_back(Lines(text));
    Print(messages_.back() + "\n");
    return message_box::kIdOk;
}

void ConsoleRunView::Print(const std::string& text) {
    if (printing_.to != nullptr) {
        printing_.to->WriteOut(text);
    }
}

} // namespace zentrim
