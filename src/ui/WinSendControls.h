// The send dialog's controls as the send job sees them, worked from the
// job's thread through synchronous window messages to the dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "script/Progress.h"
#include "send/SendControls.h"

// The prefix text the selected item of the dialog's prefix box carries; null
// when nothing is selected.
const char* SelectedPrefixOf(HWND dialog);

// The message as the job sends it: read as wide text, in the ANSI code page
// of the keyboard layout of the dialog's thread, at most 1023 bytes. The
// counter shows its length, so it counts exactly what goes out.
std::string MessageAsSent(HWND dialog);

class WinProgress : public script::ProgressTarget {
public:
    explicit WinProgress(HWND bar) : bar_(bar) {}
    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    void Step() override;

private:
    HWND bar_;
};

class WinSendControls : public SendControls {
public:
    explicit WinSendControls(HWND dialog);

    // One send of the dialog at a time, however Send is asked for: a claim
    // holds from the start of a job until the job hands the dialog back.
    bool Claim() { return !busy_.exchange(true); }
    void HandBack() override { busy_.store(false); }
    bool Busy() const { return busy_.load(); }

    const char* SelectedPrefix() override;
    std::string ReadMessage() override;
    std::string ReadMessageForSend() override;
    // The keyboard layout's ANSI code page, in which ReadMessageForSend gives the text.
    charset::Charset MessageCharset() override;
    // Every character of the field, whatever the code page (a JSON body).
    std::string ReadMessageUtf8() override;
    void WriteMessageUtf8(const std::string& text) override;
    void WriteMessage(const std::string& text) override;
    std::string ReadNumber() override;
    void SetStatus(const std::string& text) override;
    void EnableSend(bool enabled) override;
    void FocusMessage() override;
    void FocusNumber() override;
    void Close() override;
    script::ProgressTarget* Progress() override { return &progress_; }

private:
    HWND Control(int id) const { return GetDlgItem(dialog_, id); }
    void Focus(int id);
    HWND dialog_;
    WinProgress progress_;
    std::atomic<bool> busy_{false};
};
