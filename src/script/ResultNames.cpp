// The one table of result names and reasons, for the lines the command line
// prints per attempt and for anything else that shows a result to a person.
#include <cstddef>
#include <string>

#include "script/Runner.h"

namespace script {
namespace {

const ResultText kResults[] = {
    {result::kSent, "Sent", "the provider took the message"},
    {result::kNoName, "NoName", "[Gateway] has no Name"},
    {result::kBadUrl, "BadUrl", "a URL does not begin with http://, https:// or $"},
    {result::kExpandFailed, "ExpandFailed", "a value could not be filled in (a missing cookie?)"},
    {result::kNoType, "NoType", "a request has no Type"},
    {result::kNoPostString, "NoPostString", "a POST request has no PostString"},
    {result::kPostDataMemory, "PostDataMemory",
     "the post data could not be built (out of memory, or longer than 1 MiB)"},
    {result::kBadType, "BadType", "a Type is neither POST nor GET"},
    {result::kNoReply, "NoReply", "could not connect, or no reply came"},
    {result::kRedirectFailed, "RedirectFailed", "a redirect could not be followed, or redirects did not end"},
    {result::kNoPage, "NoPage", "no page to check"},
    {result::kHttpError, "HttpError", "the server answered with an error status"},
    {result::kEmptyReply, "EmptyReply", "the reply was empty"},
    {result::kNoRequest, "NoRequest", "no [Request1] with a URL"},
    {result::kNotEdited, "NotEdited", "the file still has Editme: edit it first"},
    {result::kBadHeader, "BadHeader", "a Header, Auth or ContentType key cannot be sent as written (nothing was sent)"},
    {result::kHeaderLineBreak, "HeaderLineBreak",
     "a header value holds a line break once filled in (nothing was sent)"},
    {result::kBadText, "BadText", "a text for the JSON body is not valid in its encoding (nothing was sent)"},
    {result::kBadCharset, "BadCharset",
     "the gateway's Charset is unknown, or cannot hold a character of the message (nothing was sent)"},
    {result::kAborted, "Aborted", "aborted on request"},
    {result::kMissingParameters, "MissingParameters", "the prefix, number or text is missing"},
    {result::kNoSuccessText, "NoSuccessText", "success text not found"},
    {result::kPrefixUnsupported, "PrefixUnsupported", "the gateway does not serve this prefix"},
};

const ResultText kUnknown = {0, "Unknown", "an unknown result"};

}  // namespace

const ResultText& DescribeResult(int code) {
    for (const ResultText& row : kResults) {
        if (row.code == code) return row;
    }
    return kUnknown;
}

std::string ResultSummary(int code, const RunDetail* detail) {
    const ResultText& row = DescribeResult(code);
    std::string text = row.name;
    text += ": ";
    if (code == result::kHttpError && detail && detail->status != 0) {
        text += "HTTP " + std::to_string(detail->status);
        if (!detail->statusText.empty()) text += ": " + detail->statusText;
    } else if (code == result::kNoReply && detail && !detail->server.empty()) {
        text += "could not connect to " + detail->server + ", or no reply came";
    } else {
        text += row.reason;
        if (&row == &kUnknown) text += " (" + std::to_string(code) + ")";
    }
    return text;
}

std::string ResultLine(int code, const RunDetail* detail) {
    std::string line = ResultSummary(code, detail);
    if (detail && !detail->excerpt.empty()) {
        line += "; Request" + std::to_string(detail->request) + " answered: " + detail->excerpt;
    }
    return line;
}

}  // namespace script
