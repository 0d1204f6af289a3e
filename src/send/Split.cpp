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

int MakeSplitPart(const std::string& rest, int part, uint32_t fullLength, uint32_t maxChars, const Measure& measure,
                  std::string* out, size_t* taken) {
    if (!out || !taken || maxChars == 0 || rest.empty()) return -1;
    try {
        std::string label;
        int labelLength = InsertPageNum(label, part, fullLength, maxChars);
        size_t length = labelLength > 0 ? static_cast<size_t>(labelLength) : 0;
        // The labelled text is cut at MaxChars - label length: the part
        // carries MaxChars - 2 x label length bytes of the message.
        if (maxChars <= 2 * static_cast<uint64_t>(length)) return -1;
        size_t room = maxChars - 2 * length;
        size_t carried = measure.CutPoint(rest, room);
        if (carried == 0) return -1;
        *out = label + rest.substr(0, carried);
        *taken = carried;
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int NextPart(const std::string& rest, int part, uint32_t fullLength, uint32_t maxChars, const Measure& measure,
             std::string* out, size_t* taken, bool* last) {
    if (!out || !taken || !last || rest.empty()) return -1;
    try {
        if (maxChars == 0 || measure.Length(rest) <= maxChars) {
            std::string whole = rest;
            if (part > 1) InsertPageNum(whole, part, fullLength, maxChars);
            if (maxChars == 0 || measure.Length(whole) <= maxChars) {
                *out = std::move(whole);
                *taken = rest.size();
                *last = true;
                return 0;
            }
        }
        *last = false;
        return MakeSplitPart(rest, part, fullLength, maxChars, measure, out, taken);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int PlanPart(const std::string& text, int partsSent, uint32_t fullLength, int32_t maxChars, bool cutLongMessages,
             const Measure& measure, PartPlan* plan) {
    const uint32_t limit = maxChars > 0 ? static_cast<uint32_t>(maxChars) : 0;
    const bool tooLong = limit > 0 && measure.Length(text) > limit;
    *plan = PartPlan{};
    if (tooLong && cutLongMessages) {
        plan->carried = measure.CutPoint(text, limit);
        plan->text = text.substr(0, plan->carried);
        return 0;
    }
    if (!tooLong && partsSent == 0) {
        plan->text = text;  // the whole message, as typed
        plan->carried = text.size();
        return 0;
    }
    // A part of a split message; the last one too is labelled and kept
    // within the limit, and what does not fit waits for another part.
    bool last = false;
    if (NextPart(text, partsSent + 1, fullLength, limit, measure, &plan->text, &plan->carried, &last) != 0) return -1;
    plan->splitPart = !last;
    return 0;
}

MessagePlan PlanMessage(const std::string& text, int32_t maxChars, const Measure& measure) {
    MessagePlan plan;
    const bool cut = settings::OnTooLong() == settings::kCutLongMessages;
    const uint32_t fullLength = static_cast<uint32_t>(measure.Length(text));
    std::string rest = text;
    for (int partsSent = 0;;) {
        PartPlan part;
        if (PlanPart(rest, partsSent, fullLength, maxChars, cut, measure, &part) != 0) {
            plan.noRoom = true;
            plan.unsent = rest;
            break;
        }
        rest.erase(0, part.carried);
        const bool more = part.splitPart;
        plan.parts.push_back(std::move(part));
        if (!more || ++partsSent >= settings::SplitNumber()) {
            plan.unsent = rest;
            break;
        }
    }
    return plan;
}
