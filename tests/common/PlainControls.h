// The send dialog's fields as a send job sees them and nothing more: a
// prefix, a number, a message in a charset, and the last status shown.
#pragma once

#include <string>
#include <utility>

#include "send/SendControls.h"
#include "shell/Charset.h"

namespace testutil {

class PlainControls : public SendControls {
public:
    PlainControls(std::string prefix, std::string number, std::string text,
                  charset::Charset charset = charset::Charset::Default())
        : message(std::move(text)),
          prefix_(std::move(prefix)),
          number_(std::move(number)),
          charset_(std::move(charset)) {}
    const char* SelectedPrefix() override { return prefix_.c_str(); }
    std::string ReadMessage() override { return message; }
    std::string ReadMessageForSend() override { return message; }
    charset::Charset MessageCharset() override { return charset_; }
    void WriteMessage(const std::string& text) override { message = text; }
    std::string ReadNumber() override { return number_; }
    void SetStatus(const std::string& text) override { status = text; }
    void EnableSend(bool) override {}
    void FocusMessage() override {}
    void FocusNumber() override {}
    void Close() override {}
    script::ProgressTarget* Progress() override { return nullptr; }

    std::string message;
    std::string status;

private:
    std::string prefix_, number_;
    charset::Charset charset_;
};

}  // namespace testutil
