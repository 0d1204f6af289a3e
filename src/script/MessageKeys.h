// The [Gateway] keys about the message's text itself: how "MaxChars" counts
// it ("MaxCharsUnit") and the charset the site wants it in ("Charset"). The
// runner, the send job, the preview, `parlet run` and `parlet check` read
// them from here. A file without them behaves as before: MaxChars counts
// bytes, and the message goes in the caller's charset (UTF-8 to a JSON body).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "shell/Charset.h"

namespace script {

constexpr const char* kMaxCharsKey = "MaxChars";
constexpr const char* kMaxCharsUnitKey = "MaxCharsUnit";
constexpr const char* kCharsetKey = "Charset";

// What MaxChars (and a split's parts, labels and "$Count") counts.
enum class CountUnit { kBytes, kCharacters };
struct CountUnitName {
    const char* name;
    CountUnit unit;
};
// The values of "MaxCharsUnit"; the first is the default.
constexpr CountUnitName kCountUnits[] = {{"bytes", CountUnit::kBytes}, {"characters", CountUnit::kCharacters}};

// The unit a value names (any letter case); nothing for another value.
std::optional<CountUnit> FindCountUnit(const std::string& value);
const char* CountUnitText(CountUnit unit);
// A gateway file's unit: bytes when the key is absent or names no unit.
CountUnit ReadCountUnit(const char* path);
// The length of `text`, in `encoding`, as `unit` counts it.
size_t CountedLength(CountUnit unit, const charset::Charset& encoding, const std::string& text);

// A gateway file's "Charset": `written` is "" when the file has none; then,
// or when the name is unknown here, `charset` is empty.
struct SiteCharset {
    std::string written;
    std::optional<charset::Charset> charset;
    bool Unknown() const { return !written.empty() && !charset; }
};
SiteCharset ReadSiteCharset(const char* path);

// Why a message cannot go to a site, for the log and the preview: "ISO-8859-15
// cannot hold the message's character "中" (U+4E2D)", "Charset 'X' is unknown here".
std::string CannotHold(const charset::Charset& site, const charset::Unfit& unfit);
std::string UnknownCharset(const std::string& written);

// The message in the site's charset, from UTF-8: false when it holds a
// character the charset cannot hold, with the log line naming it.
bool ToSiteCharset(const charset::Charset& site, const std::string& utf8, std::string* out);
// The log line of an unknown "Charset".
void LogUnknownCharset(const std::string& written);

}  // namespace script
