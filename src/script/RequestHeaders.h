// The keys of a "Request%d" section that reach HTTP APIs: header lines of
// the file's own ("Header%d"), an Authorization made from the account
// ("Auth") and the media type of a POST body ("ContentType"). The runner
// and parlet check read them from here. A file without them sends exactly
// what the format always sent.
#pragma once

#include <string>

namespace script {

constexpr char kHeaderStem[] = "Header";  // "Header%d" = "Name: value", the value a template
constexpr char kAuthKey[] = "Auth";
constexpr char kContentTypeKey[] = "ContentType";
constexpr char kAuthorizationName[] = "Authorization";

// Names a "Header%d" may not set: the format has keys of its own for them,
// or the carrier writes them.
constexpr const char* kReservedHeaderNames[] = {"Host",   "Referer",        "User-Agent",
                                                "Cookie", "Content-Length", "Content-Type"};

// The values "Auth" takes (in any case) and what each sends.
struct AuthScheme {
    const char* value;   // "basic"
    const char* scheme;  // "Basic", the Authorization header's first word
    const char* made;    // for people: what the credentials are made of
};
constexpr AuthScheme kAuthSchemes[] = {
    {"basic", "Basic", "Base64 of $User:$Pass"},
    {"bearer", "Bearer", "$Pass as the token"},
};
// The scheme of an "Auth" value; null for a value the engine does not know.
const AuthScheme* FindAuthScheme(const std::string& value);
// The header value: "Basic " and Base64 of "user:password", or "Bearer "
// and the password. A missing user or password counts as empty.
std::string AuthorizationValue(const AuthScheme& scheme, const char* user, const char* password);

// Why a "Header%d" value cannot be sent.
enum class HeaderFault { kNone, kNoColon, kBadName, kReservedName, kLineBreak };
// "has no ':'", ...: completes "Header3 ...".
const char* DescribeHeaderFault(HeaderFault fault);
// "Name: value": the name is the text before the first ':', the value the
// text after it less leading blanks and tabs. The name must be an HTTP token
// that none of kReservedHeaderNames is (in any case).
HeaderFault SplitHeaderLine(const std::string& line, std::string* name, std::string* value);
// Whether `name` is an HTTP token: letters, digits and !#$%&'*+-.^_`|~.
bool IsHttpToken(const std::string& name);

// How the variables of a POST body go in, by the request's "ContentType":
// absent (or the form type itself) a form as always, "application/json"
// (or a "+json" type; parameters and letter case aside) JSON, anything else
// verbatim.
enum class BodyKind { kForm, kJson, kVerbatim };
BodyKind BodyKindOf(const std::string& contentType);

// Whether a run of the file would put the message into a JSON body (any
// POST request whose ContentType is JSON): the send job then gives it the
// message as UTF-8.
bool AsksForJson(const char* path);

// Whether a header carries credentials (Authorization, Proxy-Authorization).
bool IsSecretHeader(const std::string& name);
// The credentials of such a header's value: the text after its scheme's
// first blank (the whole value when it has none).
std::string HiddenPart(const std::string& value);
// A header value as logs and traces show it: an Authorization keeps its
// scheme and hides its credentials ("Basic ***"); other values stay.
std::string ShownHeaderValue(const std::string& name, const std::string& value);

}  // namespace script
