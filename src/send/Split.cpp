#include "send/Split.h"

#include <cmath>
#include <new>

#include "shell/Notice.h"
#include "shell/Settings.h"

int InsertPageNum(std::string& text, int part, uint32_t fullLength, uint32_t maxChars) {
    if (!settings::NumberMsgs() || part < 1) return -1;

    // "SplitNumber" 0 would announce no part at all; the job sends one.
    double cap = settings::SplitNumber();
    if (cap < 1) cap = 1;
    double total = maxChars == 0 ? part : std::ceil(static_cast<double>(fullLength) / static_cast<double>(maxChars));
    if (total > cap) total = cap;
    if (total < 1) total = 1;

    try {
        std::string label = std::to_string(part) + "/" + std::to_string(static_cast<long>(total));
        text.insert(0, label);
        return static_cast<int>(label.size());
    } catch (const std::bad_alloc&) {
        ShowNotice("Memory allocation error in InsertPageNum");
        return -1;
    }
}

int MakeSplitPart(const std::string& rest, int part, uint32_t fullLength, uint32_t maxChars, std::string* out,
                  size_t* taken) {
    if (!out || !taken || maxChars == 0 || rest.empty()) return -1;
    try {
        std::string labelled = rest;
        int label = InsertPageNum(labelled, part, fullLength, maxChars);
        size_t labelLength = label > 0 ? static_cast<size_t>(label) : 0;
        size_t cut = maxChars - labelLength;   // where the job cuts the labelled text
        if (maxChars <= labelLength || cut <= labelLength) return -1;
        if (cut > labelled.size()) cut = labelled.size();
        *taken = cut - labelLength;
        labelled.resize(cut);
        *out = std::move(labelled);
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}
