#include <atomic>

#include "ui/SendDialog.h"

namespace {
std::atomic<SendDialogOpener> g_opener{nullptr};
}

int OpenSendDialog(const SendDialogRequest* request) {
    SendDialogOpener opener = g_opener.load();
    return opener ? opener(request) : platform::OpenSendDialog(request);
}

void SetSendDialogOpener(SendDialogOpener opener) { g_opener.store(opener); }
