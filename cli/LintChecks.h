// The checks of each kind of file, over a Sheet.
#pragma once

#include <string>
#include <vector>

#include "LintSheet.h"

namespace lint {

void CheckGatewayFile(Sheet& sheet);

// What a script has gathered before a request.
struct Gathered {
    size_t customVars = 0;
    size_t keys = 0;
};
// One request section ([Request%d], [Credit%d], [Status%d]) as the runner
// builds it, after the requests that gathered `gathered`.
void CheckRequest(Sheet& sheet, const Section& request, const Section* gw, Gathered& gathered);
// The credit and status of a gateway file: [Gateway] MessageId, [Credit]
// and [Status] with their request sections.
void CheckInquirySections(Sheet& sheet, const Section* gw);
// "$MessageId" has a value in [Status%d] requests only.
void WarnMessageIdOutsideStatus(Sheet& sheet, const Section& request);
void CheckAccountFile(Sheet& sheet);
// A template value ("URL", "PostString", "Referer", "MapPrefix%d") of `key`;
// `customVarsBefore` custom variables are filled by the earlier requests.
void CheckTemplate(Sheet& sheet, const Key& key, const std::string& value, size_t customVarsBefore);
// The keys that reach HTTP APIs ("Header%d", "Auth", "ContentType") of a
// request section: what refuses a run, and a note of each header it sends.
void CheckRequestHeaders(Sheet& sheet, const Section& request, size_t customVarsBefore);

// A "CustomVar%d" as read: a JSON path that cannot be read, a pattern
// without an end.
void CheckCustomVar(Sheet& sheet, const Key& key, const std::string& value);

// Every value of a file that holds " ;" and text: a comment the reader keeps.
void CheckValueComments(Sheet& sheet);
// [Gateway] "Success" as read (non-empty): warns about trailing blanks.
void CheckSuccessText(Sheet& sheet, const Key& key, const std::string& value);

// The order file of a folder against the definition files it lists.
std::vector<Finding> CheckOrderFile(const std::string& path, const std::vector<std::string>& gateways);
// An account file's name against the definition files beside it.
std::vector<Finding> CheckAccountFileName(const std::string& path, const std::vector<std::string>& gateways);

// "NoName (-1)": the runner's own name for a result, and its number.
std::string ResultName(int code);
// "+12", "-3", "40": what reads as the whole number it shows.
bool IsNumber(const std::string& s);

}  // namespace lint
