// Files and folders: which files to check, the order file, and whether an
// account file's name is the one the plug-in looks for.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Lint.h"
#include "LintChecks.h"
#include "catalogue/Accounts.h"
#include "catalogue/FolderListing.h"
#include "catalogue/OrderFile.h"

namespace lint {
namespace fs = std::filesystem;

namespace {

bool ReadWhole(const fs::path& file, std::string* content) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    *content = bytes.str();
    return !in.bad();
}

std::string Extension(const fs::path& file) { return Lower(file.extension().string()); }

std::string TrimBlanks(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool HasLoneCr(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) return true;
    }
    return false;
}

// A line that names no gateway exactly: what it probably meant, and why the
// catalogue skips it.
Finding ExplainOrderLine(const std::string& path, int lineNo, std::string text,
                         const std::vector<std::string>& gateways) {
    std::vector<std::string> reasons;
    if (lineNo == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
        reasons.push_back("the file begins with a byte-order mark");
    }
    const std::string name = text.size() > 2 ? text.substr(2) : "";
    const std::string trimmed = TrimBlanks(name);
    if (trimmed != name) reasons.push_back("blanks around the name");
    if (text.size() > 1 && text[1] != ';') reasons.push_back("the second character is not ';'");
    for (const std::string& gateway : gateways) {
        if (Lower(gateway) != Lower(trimmed) || trimmed.empty()) continue;
        if (gateway != trimmed) reasons.push_back("the letters' case differs");
        std::string why;
        for (const std::string& r : reasons) why += (why.empty() ? "" : ", ") + r;
        const bool disables = !text.empty() && text[0] == '0';
        return {path, lineNo, Severity::Error,
                "this line means " + gateway + " but the catalogue matches names exactly and skips it (" + why + "): " +
                    gateway + (disables ? ", which it disables, runs enabled" : " keeps its place in folder order"),
                std::string("write the line as ") + (disables ? "0" : "1") + ";" + gateway};
    }
    return {path, lineNo, Severity::Warning, "names no gateway of this folder: the catalogue skips the line",
            "delete the line or correct the file name"};
}

}  // namespace

std::vector<Finding> CheckOrderFile(const std::string& path, const std::vector<std::string>& gateways) {
    std::vector<Finding> out;
    std::string bytes;
    std::vector<catalogue::OrderFileLine> lines;
    if (!ReadWhole(path, &bytes) || !catalogue::ReadOrderLines(path, &lines)) {
        out.push_back({path, 0, Severity::Error, "cannot be read", "check its permissions"});
        return out;
    }
    if (HasLoneCr(bytes)) {
        out.push_back({path, 1, Severity::Error,
                       "lines end in CR alone: the catalogue reads the file as one line and applies none of it",
                       "end the lines in LF or CR LF"});
        return out;
    }
    std::vector<std::pair<std::string, int>> seen;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        const std::string& text = lines[i].text;
        catalogue::OrderLine entry;
        if (lines[i].cut) {
            out.push_back({path, lineNo, Severity::Error,
                           "the line is longer than " + std::to_string(catalogue::kMaxOrderLine) +
                               " characters: the catalogue cuts it and skips it",
                           "shorten the gateway's file name"});
        } else if (!catalogue::ParseOrderLine(text, &entry)) {
            if (!TrimBlanks(text).empty()) {
                out.push_back({path, lineNo, Severity::Warning, "too short for a flag, ';' and a file name: skipped",
                               "write 1;name.ini or 0;name.ini"});
            }
        } else if (std::find(gateways.begin(), gateways.end(), entry.name) == gateways.end()) {
            out.push_back(ExplainOrderLine(path, lineNo, text, gateways));
        } else {
            auto earlier = std::find_if(seen.begin(), seen.end(), [&](const auto& s) { return s.first == entry.name; });
            if (earlier != seen.end()) {
                out.push_back({path, lineNo, Severity::Warning,
                               entry.name + " is listed again (first at line " + std::to_string(earlier->second) +
                                   "): this later line decides its place and flag",
                               "delete one of the two lines"});
            }
            seen.emplace_back(entry.name, lineNo);
            if (text[0] != '0' && text[0] != '1') {
                out.push_back({path, lineNo, Severity::Warning,
                               std::string("the flag '") + text[0] + "' reads as enabled", "write 1 or 0"});
            }
        }
    }
    return out;
}

std::vector<Finding> CheckAccountFileName(const std::string& path, const std::vector<std::string>& gateways) {
    const std::string name = fs::path(path).filename().string();
    for (const std::string& gateway : gateways) {
        if (AccountFilePath(gateway) == name) return {};
    }
    const std::string stem = name.substr(0, name.size() - 4);
    for (const std::string& gateway : gateways) {
        if (Lower(gateway) != Lower(stem + ".ini")) continue;
        const std::string expected = AccountFilePath(gateway);
        if (expected.empty()) {
            return {{path, 0, Severity::Warning,
                     gateway + " does not end in lower-case .ini, so it has no account file: this one is never read",
                     "rename " + gateway + " to " + stem + ".ini and this file to " + stem + ".sac"}};
        }
        return {{path, 0, Severity::Warning,
                 "the account file of " + gateway + " is " + expected + ", letter for letter: this one is never read",
                 "rename it to " + expected}};
    }
    return {{path, 0, Severity::Warning,
             "no definition file " + stem + ".ini beside it: this account file is never read",
             "name it after its definition file, which must end in lower-case .ini"}};
}

std::vector<Finding> CheckPath(const std::string& path) {
    std::vector<Finding> out;
    std::vector<fs::path> files;
    std::error_code ec;
    const bool folder = fs::is_directory(path, ec);
    if (folder) {
        for (const auto& entry : fs::directory_iterator(path, ec)) {
            const std::string ext = Extension(entry.path());
            if (ext == ".ini" || ext == ".sac") files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        if (files.empty()) {
            out.push_back({path, 0, Severity::Error, "no gateway definition file (*.ini) in this folder",
                           "put the gateway files into this folder or pick the right one"});
        }
    } else if (fs::exists(path, ec)) {
        files.push_back(path);
    } else {
        out.push_back({path, 0, Severity::Error, "no such file or folder", "check the path"});
        return out;
    }
    const fs::path dir = folder ? fs::path(path) : fs::path(path).parent_path();
    const std::vector<std::string> gateways = catalogue::ListDefinitionFiles(dir.empty() ? "." : dir.string());
    for (const fs::path& file : files) {
        std::vector<Finding> found;
        std::string content;
        if (file.filename() == catalogue::kOrderFileName) {
            found = CheckOrderFile(file.string(), gateways);
        } else if (!ReadWhole(file, &content)) {
            found.push_back({file.string(), 0, Severity::Error, "cannot be read", "check its permissions"});
        } else {
            found = CheckText(file.string(), content);
            if (Extension(file) == ".sac") {
                std::vector<Finding> named = CheckAccountFileName(file.string(), gateways);
                found.insert(found.end(), named.begin(), named.end());
            }
        }
        out.insert(out.end(), found.begin(), found.end());
    }
    const fs::path order = dir / catalogue::kOrderFileName;
    if (folder && fs::exists(order, ec)) {
        std::vector<Finding> found = CheckOrderFile(order.string(), gateways);
        out.insert(out.end(), found.begin(), found.end());
    }
    return out;
}

}  // namespace lint
