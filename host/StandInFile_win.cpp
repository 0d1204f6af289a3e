#include <windows.h>

#include "StandInInternal.h"

namespace standin {
namespace platform {

bool SwapInFile(const std::string& temporary, const std::string& path) {
    return MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace platform
}  // namespace standin
