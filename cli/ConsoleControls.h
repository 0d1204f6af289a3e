// The send dialog's controls for the command line: the fields come from the
// arguments, the status and the progress go to the terminal.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "catalogue/PrefixTable.h"
#include "script/Progress.h"
#include "send/SendControls.h"

// A text progress bar on standard error.
class ConsoleProgress : public script::ProgressTarget {
public:
    explicit ConsoleProgress(FILE* out);
    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    void Step() override;
    // Ends the bar's line, if one is open.
    void Finish();

private:
    void Draw();
    FILE* out_;
    bool terminal_;
    bool open_ = false;
    int low_ = 0, high_ = 100, position_ = 0;
};

class ConsoleControls : public SendControls {
public:
    // The texts are in `encoding` already; `messageUtf8` is the message as
    // typed, for gateways that take it as UTF-8 (`message` may lack characters
    // of it that `encoding` cannot hold).
    ConsoleControls(std::string prefix, std::string number, std::string message, std::string messageUtf8,
                    charset::Charset encoding, FILE* progressOut);

    const char* SelectedPrefix() override;
    std::string ReadMessage() override;
    std::string ReadMessageForSend() override { return ReadMessage(); }
    charset::Charset MessageCharset() override { return encoding_; }
    void WriteMessage(const std::string& text) override;
    std::string ReadMessageUtf8() override;
    void WriteMessageUtf8(const std::string& text) override;
    std::string ReadNumber() override;
    void SetStatus(const std::string& text) override;
    void EnableSend(bool enabled) override { sendEnabled_ = enabled; }
    void FocusMessage() override {}
    void FocusNumber() override {}
    void Close() override { closed_ = true; }
    script::ProgressTarget* Progress() override { return &progress_; }
    // One line per attempt: gateway, account user, the result's name and reason.
    void AttemptEnded(const AttemptReport& report) override;

    const std::string& Status() const { return status_; }
    const std::string& MessageUtf8() const { return messageUtf8_; }  // what was not sent, as UTF-8
    bool PrefixListed() const { return listed_; }
    int PartsSent() const { return partsSent_; }  // successful attempts
    // The text of the last successful attempt as UTF-8, and whether more was to follow it.
    const std::string& LastSentUtf8() const { return lastSent_; }
    bool LastSentWasSplitPart() const { return lastSentSplit_; }
    // The gateway file of the last successful attempt and what its run learnt
    // (the message id, a credit shown on its pages).
    const std::string& LastSentFile() const { return lastSentFile_; }
    const script::RunDetail& LastSentDetail() const { return lastSentDetail_; }

private:
    std::shared_ptr<const PrefixTable> table_;  // keeps the selected entry alive
    std::string prefix_;
    const char* selected_ = nullptr;
    bool listed_ = false;
    std::string number_;
    std::string message_;
    std::string messageUtf8_;
    charset::Charset encoding_;
    std::string status_;
    bool sendEnabled_ = true;
    bool closed_ = false;
    int partsSent_ = 0;
    std::string lastSent_;
    bool lastSentSplit_ = false;
    std::string lastSentFile_;
    script::RunDetail lastSentDetail_;
    FILE* out_;
    ConsoleProgress progress_;
};
