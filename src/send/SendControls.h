// The send dialog's controls as the send job sees them. The Win32 send
// dialog and the command line each implement this; the job never touches a
// window itself.
#pragma once

#include <string>

#include "script/Runner.h"

// One run of one gateway, as the job reports it when the run has ended.
struct AttemptReport {
    std::string file;  // the gateway's file name in the catalogue
    std::string name;  // its [Gateway] Name, or the file name
    const char* user;  // the account user of the attempt; may be null
    std::string text;  // the text as it went out (cut, labelled)
    bool splitPart;    // a part of a split message, more to come
    // `text` is UTF-8, not in MessageCharset: the gateway took the message
    // as UTF-8 (a JSON body) or in a "Charset" of its own (shown as UTF-8).
    bool utf8;
    int result;  // script::result
    script::RunDetail detail;
};
#include "shell/Charset.h"

class SendControls {
public:
    virtual ~SendControls() = default;

    // The prefix of the selected item of the prefix list (a prefix table
    // entry, the prefix alone); null when nothing is selected.
    virtual const char* SelectedPrefix() = 0;
    // The message field as ANSI text, at most 1023 bytes.
    virtual std::string ReadMessage() = 0;
    // The message as the job sends it: on Windows read as wide text and
    // converted to the keyboard layout's ANSI code page; at most 1023 bytes.
    virtual std::string ReadMessageForSend() = 0;
    // The encoding of what ReadMessageForSend gives: the job cuts the text
    // only between its characters.
    virtual charset::Charset MessageCharset() { return charset::Charset::Default(); }
    // Puts the text not yet sent back into the message field.
    virtual void WriteMessage(const std::string& text) = 0;
    // The message as UTF-8 for a gateway whose body is JSON: every character
    // of the field, at most 1023 bytes, cut between characters.
    virtual std::string ReadMessageUtf8() {
        const std::string text = MessageCharset().Decode(ReadMessageForSend());
        return text.substr(0, charset::Charset::Utf8().CutPoint(text, 1023));
    }
    // Puts the text not yet sent, as UTF-8, back into the message field.
    virtual void WriteMessageUtf8(const std::string& text) {
        WriteMessage(charset::LossyEncoded(MessageCharset(), text));
    }
    // The number field, at most 1023 bytes.
    virtual std::string ReadNumber() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void EnableSend(bool enabled) = 0;
    virtual void FocusMessage() = 0;
    virtual void FocusNumber() = 0;
    // Closes the dialog (the Cancel command).
    virtual void Close() = 0;
    // The progress bar the request runner advances; may be null.
    virtual script::ProgressTarget* Progress() = 0;
    // Called after every attempt; the dialog shows nothing of it.
    virtual void AttemptEnded(const AttemptReport&) {}
    // Called once by every job when it gives the dialog back: as Send is
    // enabled again, or before the status of a send that never began. The
    // dialog starts no other send of its own until then.
    virtual void HandBack() {}
};
