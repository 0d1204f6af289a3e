#include "catalogue/OrderFile.h"

#include <cstdio>
#include <list>
#include <unordered_map>

#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "shell/FileReplace.h"

namespace catalogue {
namespace {

// Reads one line without its line end. A line longer than kMaxOrderLine is
// cut there and the rest of it skipped, so the rest never passes for a line
// of its own. Gives false at the end of the file.
bool ReadLine(std::FILE* file, OrderFileLine& line) {
    line.text.clear();
    line.cut = false;
    int c = std::getc(file);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(file)) {
        if (line.text.size() < kMaxOrderLine) {
            line.text += static_cast<char>(c);
        } else if (c != '\r') {
            line.cut = true;
        }
    }
    while (!line.text.empty() && (line.text.back() == '\r' || line.text.back() == '\n')) line.text.pop_back();
    return true;
}

}  // namespace

std::string OrderFilePath(const std::string& folder) { return JoinPath(folder, kOrderFileName); }

bool ReadOrderLines(const std::string& path, std::vector<OrderFileLine>* lines) {
    lines->clear();
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return false;
    OrderFileLine line;
    while (ReadLine(file, line)) lines->push_back(line);
    std::fclose(file);
    return true;
}

bool ParseOrderLine(const std::string& line, OrderLine* entry) {
    if (line.size() < 3) return false;
    entry->enabled = line[0] == '0' ? 0 : 1;
    entry->name = line.substr(2);
    return true;
}

void ApplyOrderFile(const std::string& path, std::vector<GatewayRef>& gateways) {
    std::vector<OrderFileLine> lines;
    if (!ReadOrderLines(path, &lines)) return;

    std::list<GatewayRef> order(gateways.begin(), gateways.end());
    std::unordered_map<std::string, std::list<GatewayRef>::iterator> byName;
    for (auto it = order.begin(); it != order.end(); ++it) byName.emplace((*it)->name, it);

    bool atHead = true;  // the insertion point: the head, or the gateway `point`
    std::list<GatewayRef>::iterator point = order.end();
    OrderLine entry;
    for (const OrderFileLine& line : lines) {
        if (!ParseOrderLine(line.text, &entry)) continue;
        auto found = byName.find(entry.name);
        if (found == byName.end()) continue;
        auto node = found->second;
        if (!atHead && node == point) continue;
        order.splice(atHead ? order.begin() : std::next(point), order, node);
        (*node)->enabled = entry.enabled;
        point = node;
        atHead = false;
    }
    gateways.assign(order.begin(), order.end());
}

std::string OrderFileText(const std::vector<OrderLine>& lines) {
    std::string text;
    for (const OrderLine& line : lines) {
        text += line.enabled ? '1' : '0';
        text += ';';
        text += line.name;
        text += kTextLineEnd;
    }
    return text;
}

int WriteOrderFile(const std::string& path, const std::vector<OrderLine>& lines) {
    if (path.size() > kMaxOrderPath) return -1;
    return files::ReplaceWhole(path, OrderFileText(lines)) ? 0 : -1;
}

}  // namespace catalogue
