// Numbering the parts of a split message with a page label "n/m".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script/MessageKeys.h"
#include "shell/Charset.h"

// How a gateway's "MaxChars" measures a text in its encoding: bytes (the
// default), or characters ("MaxCharsUnit"). Positions stay bytes.
struct Measure {
    Measure(const charset::Charset& encoding, script::CountUnit countIn = script::CountUnit::kBytes)
        : charset(encoding), unit(countIn) {}
    charset::Charset charset;
    script::CountUnit unit;

    size_t Length(const std::string& text) const { return script::CountedLength(unit, charset, text); }
    // The longest beginning of `text` at most `limit` long, as a byte
    // position that splits no character.
    size_t CutPoint(const std::string& text, size_t limit) const {
        return unit == script::CountUnit::kCharacters ? charset.CharacterCut(text, limit)
                                                      : charset.CutPoint(text, limit);
    }
};

// When "NumberMsgs" is on, puts the label "<part>/<total>" in front of
// `text` and gives the label's length; -1 when nothing was inserted
// (numbering off, a part number below 1, or no memory).
//   total = ceil(fullLength / maxChars), capped by "SplitNumber" (at least 1).
// A gateway without a limit (maxChars 0) takes the rest whole, so that part
// is the last: its total is the part number. A label is never cut, however
// many digits it has.
int InsertPageNum(std::string& text, int part, uint32_t fullLength, uint32_t maxChars);

// One part of a message being split for a gateway that takes `maxChars`
// bytes (or characters: lengths are as `measure` counts them): the label
// (when numbering is on) and then as much of `rest` as fits, MaxChars - 2 x
// label length, so that the part, label included, is MaxChars - label
// length long; a character is never cut, but left for the next part. Gives 0 with the part in *part
// and the number of bytes of `rest` it carries in *taken (at least 1); -1
// when the gateway has no room for a part (maxChars 0, or no room left
// beside the label), so the caller never sends an empty or accidentally
// unlabelled part, nor loops without progress.
int MakeSplitPart(const std::string& rest, int part, uint32_t fullLength, uint32_t maxChars, const Measure& measure,
                  std::string* out, size_t* taken);

// The next part of a message that is being split (`part` 2 on, or part 1
// of a message longer than the gateway takes; maxChars 0: no limit). The
// last part is the rest, labelled, when that fits; otherwise a part as
// MakeSplitPart makes it, which leaves the rest for later: a labelled part
// is never longer than the gateway takes. 0 with *last telling which; -1
// when the gateway has no room for a part.
int NextPart(const std::string& rest, int part, uint32_t fullLength, uint32_t maxChars, const Measure& measure,
             std::string* out, size_t* taken, bool* last);

// One attempt's text for a gateway that takes `maxChars` bytes (0 or less:
// no limit), as the send job makes it from `text`, what is left to send,
// after `partsSent` parts went out: the message whole when it fits and
// nothing went out yet; cut at the limit in cut mode; otherwise the next
// part of a split (NextPart).
struct PartPlan {
    std::string text;        // as it goes out: cut, or labelled
    size_t carried = 0;      // the bytes of `text` (the message's, not the label's) it carries
    bool splitPart = false;  // a part of a split with more to follow
};
// 0; -1 when the gateway has no room for a numbered part.
int PlanPart(const std::string& text, int partsSent, uint32_t fullLength, int32_t maxChars, bool cutLongMessages,
             const Measure& measure, PartPlan* plan);

// Every part one gateway sends of `text` when each goes out, with the
// settings "OnTooLong", "SplitNumber" and "NumberMsgs": what the job would
// send through it.
struct MessagePlan {
    std::vector<PartPlan> parts;
    std::string unsent;   // cut off, or past "SplitNumber" parts, or after no room
    bool noRoom = false;  // a part found no room beside its label
};
MessagePlan PlanMessage(const std::string& text, int32_t maxChars, const Measure& measure);
