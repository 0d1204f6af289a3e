#include <cstdio>

#include "shell/UserMessage.h"

namespace usermsg::platform {

// No desktop here: the warning goes where a person at a terminal sees it.
void WarningBox(const char* text) { std::fprintf(stderr, "%s: %s\n", kCaption, text); }

void SimpleBeep() {}

}  // namespace usermsg::platform
