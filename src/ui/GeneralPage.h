// What the General options page shows and saves, apart from its window:
// one field per control, filled from the settings with their defaults and
// saved back in a fixed order. The page's dialog procedure is a thin view
// over these.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

struct GeneralFields {
    std::string gatewayFolder;      // 1007
    std::string senderNumber;       // 1002
    std::string splitNumber;        // 1006, digits
    uint32_t onTooLong = 0;         // the chosen radio button, 1004 or 1005
    bool numberMsgs = false;        // 1003
    bool activateOnNA = false;      // 1012
    std::string trigger;            // 1014
    std::string userMsgInterval;    // 1015, digits
    bool forwardingActive = false;  // 1016
    bool doLog = false;             // 1017
    std::string logfile;            // 1018
    bool verbose = false;           // 1019
    bool useWab = false;            // 1037
    std::string successMsg;         // 1020
    std::string failureMsg;         // 1021
    std::string floodMsg;           // 1022
};

// Texts the page reads from a box are cut to these lengths.
constexpr size_t kMaxFolderField = 259;
constexpr size_t kMaxLongField = 1023;

// The fields as the settings, GatewayFolder and ForwardingActive give them;
// an absent setting shows its default (an absent number or answer text an
// empty box).
GeneralFields LoadGeneralFields();

// Saves every field: "GatewayPath" as typed (and GatewayFolder, resolved,
// without rebuilding the catalogue), "SenderNumber", "SplitNumber",
// "OnTooLong", "ActivateOnNA", "Trigger", "UserMsgInterval",
// ForwardingActive (memory only: "Active" is written at unload), "DoLog",
// "Logfile", "Verbose", "UseWab", the three answer texts and "NumberMsgs",
// in that order.
void SaveGeneralFields(const GeneralFields& fields);

// A digits-only box read as an unsigned number for a word setting: no number
// (empty, or anything but blanks around digits) gives 0, and a number past
// the word's range gives 65535 rather than wrapping round.
uint16_t ReadCountField(const std::string& text);

// Rescan: makes the typed folder absolute, stores it as "GatewayPath" and as
// GatewayFolder, and rebuilds the catalogue from it. Gives the number of
// gateways now in the catalogue.
int RescanGatewayFolder(const std::string& typedFolder);

// "%d Gateways found.", translated and filled with `count`.
std::string GatewaysFoundText(int count);

}  // namespace ui
