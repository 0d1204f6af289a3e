#include "shell/Notice.h"

namespace notice {

void* NoticeIcon() { return nullptr; }

}  // namespace notice
