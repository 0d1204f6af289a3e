#include "Arguments.h"

namespace cli {

bool IsTextOption(const std::string& name) {
    static const char* const kText[] = {"--message", "--to",   "--number", "--prefix",
                                        "--sender",  "--user", "--pass",   "--password"};
    for (const char* option : kText) {
        if (name == option) return true;
    }
    return false;
}

}  // namespace cli
