// A preview of a send, made without sending: for each enabled gateway, the
// parts the send job would cut for it (as PlanMessage makes them) and what
// each costs on the air. The command line's --dry-run prints it; the send
// dialog's counter shows the first enabled gateway's in its tooltip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "send/AirCost.h"
#include "send/Split.h"
#include "shell/Charset.h"

namespace preview {

struct PartPreview {
    std::string label;   // "n/m", or "" for a part without one
    std::string text;    // as it goes out, in the gateway's `encoding`
    size_t counted = 0;  // its length as the gateway's MaxChars counts it
    aircost::Cost cost;
};

struct GatewayPreview {
    std::string file;                                         // the catalogue's file name
    std::string name;                                         // its [Gateway] Name, or the file name
    int32_t maxChars = 0;                                     // 0: no limit
    script::CountUnit unit = script::CountUnit::kBytes;       // what MaxChars counts
    std::string charset;                                      // the gateway's "Charset" as written; "" for none
    charset::Charset encoding = charset::Charset::Default();  // of the parts' texts
    // Nothing goes out: the Charset is unknown, or cannot hold a character
    // of the message (this line says which).
    std::string refused;
    std::vector<PartPreview> parts;
    std::string unsent;   // what the gateway would not send (cut off, or past "SplitNumber")
    bool noRoom = false;  // no room for a numbered part
    int sms = 0;          // SMS of every part together
};

// What `gateway` would send of `text`, the message as the job reads it, in
// `charset` (cut to the send dialog's 1023 bytes first). A gateway with a
// "Charset" takes the message from `utf8` when given (every character as
// typed), else from `text`.
GatewayPreview PreviewGateway(const GatewayView& gateway, const std::string& text, const charset::Charset& charset,
                              const std::string* utf8 = nullptr);

// The counter's tooltip: the first enabled gateway's parts, translated, one
// line each (in characters for a gateway whose MaxChars counts them); a line saying there is none when no gateway is
// enabled.
std::string CounterTip(const std::string& text, const charset::Charset& charset, const std::string* utf8 = nullptr);

}  // namespace preview
