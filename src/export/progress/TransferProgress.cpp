#include "export/progress/TransferProgress.h"

#include <algorithm>

#include "catalogue/MessageCatalogue.h"
#include "framework/Application.h"
#include "framework/UiSeam.h"
#include "framework/Ini.h"

namespace exl {

namespace {

constexpr int kProgressSection = 4;
constexpr int kPositionKey = 3;
constexpr int kBusyKey = 4;
constexpr int kRowPositionKey = 5;

// The UI seam's clock, so tests can drive it instead of waiting.
DWORD Now() { return Application::Instance().Ui().TickCount(); }

// Milliseconds since `start`; the tick count's wrap after 49 days cancels out.
DWORD Since(DWORD start) { return Now() - start; }

}  // namespace

TransferProgress::TransferProgress(Steps steps, DWORD showAfterMs)
    : steps_(steps), showAfterMs_(showAfterMs), watching_(*this) {}

void TransferProgress::Advance(const WritePosition& at) {
    at_ = at;
    StartClock();
    if (!WindowUp()) return;
    if (steps_ == Steps::ExcelCalls) {
        dialog_->HandleInput();
    } else if (Since(handledAt_) >= kFileMessagesMs) {
        dialog_->HandleAllMessages();
        handledAt_ = Now();
    }
    StopIfAsked();
    if (Since(refreshedAt_) < kRefreshMs) return;
    // Painted now is only what no wait for Excel has painted since the last refresh:
    // nothing when Excel is another process, the whole window when it is this one.
    if (steps_ == Steps::ExcelCalls) dialog_->PaintWhatWaits();
    Refresh();
}

void TransferProgress::WaitForServer(DWORD milliseconds) {
    StartClock();
    serverBusy_ = true;
    if (busyEntry_.empty()) busyEntry_ = MessageCatalogue::Text(kProgressSection, kBusyKey);
    const DWORD begin = Now();
    for (;;) {
        if (WindowUp()) {
            Refresh();
            dialog_->HandleAllMessages();
            StopIfAsked();
        }
        const DWORD waited = Since(begin);
        if (waited >= milliseconds) return;
        // Wakes at any input, so Abbrechen ends the wait at once.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(milliseconds - waited, kRefreshMs), QS_ALLINPUT);
    }
}

void TransferProgress::ServerAnswered() {
    serverBusy_ = false;
    if (dialog_) Refresh();
}

void TransferProgress::StartClock() {
    if (clockStarted_) return;
    clockStarted_ = true;
    startedAt_ = Now();
}

bool TransferProgress::WindowUp() {
    if (dialog_) return true;
    if (windowFailed_ || Since(startedAt_) < showAfterMs_) return false;
    auto dialog = std::make_unique<ProgressDialog>();
    // Without its window the transfer goes on as it did before there was one.
    if (!dialog->Open()) {
        windowFailed_ = true;
        return false;
    }
    positionEntry_ = MessageCatalogue::Text(kProgressSection, steps_ == Steps::FileRows ? kRowPositionKey : kPositionKey);
    dialog_ = std::move(dialog);
    Refresh();
    return true;
}

void TransferProgress::Refresh() {
    dialog_->Show(Text(), BarPosition());
    refreshedAt_ = Now();
}

void TransferProgress::StopIfAsked() {
    if (dialog_->StopAsked()) throw StoppedByUser();
}

std::string TransferProgress::Text() const {
    if (serverBusy_) return busyEntry_;
    // Nothing written yet: Excel is still being reached.
    if (at_.tables == 0) return std::string();
    if (steps_ == Steps::FileRows)
        return FillPlaceholders(positionEntry_, {Format("%i", at_.table), Format("%i", at_.tables),
                                                 GroupedNumber(at_.record), GroupedNumber(at_.records)});
    return FillPlaceholders(positionEntry_, {Format("%i", at_.table), Format("%i", at_.tables), Format("%i", at_.field),
                                             Format("%i", at_.fields), GroupedNumber(at_.record),
                                             GroupedNumber(at_.records)});
}

int TransferProgress::BarPosition() const {
    if (at_.slotsTotal <= 0) return 0;
    const std::int64_t done = std::min(at_.slotsDone, at_.slotsTotal);
    return static_cast<int>(done * ProgressDialog::kBarRange / at_.slotsTotal);
}

}  // namespace exl
