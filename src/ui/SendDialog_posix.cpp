// Natively there are no windows: the dialog cannot be shown.
#include "ui/SendDialog.h"

namespace platform {
int OpenSendDialog(const SendDialogRequest*) { return -1; }
}  // namespace platform
