#include "Arguments.h"

#include <windows.h>
#include <shellapi.h>

namespace cli {

namespace {

std::string Narrow(UINT codePage, const wchar_t* text) {
    int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    std::vector<std::string> out(argv, argv + argc);
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return out;
    if (count == argc) {
        for (int i = 1; i < argc; ++i) {
            std::string name = out[i];
            size_t equals = name.find('=');
            if (equals != std::string::npos && name.compare(0, 2, "--") == 0) {
                // --message=text
                if (IsTextOption(name.substr(0, equals))) {
                    out[i] = name.substr(0, equals + 1) + Narrow(CP_UTF8, wide[i] + equals + 1);
                }
            } else if (IsTextOption(out[i - 1])) {
                out[i] = Narrow(CP_UTF8, wide[i]);
            }
        }
    }
    LocalFree(wide);
    return out;
}

}  // namespace cli
