// What the draft reads in the pages of a recording: patterns that cut a
// value out of a page as the runner's CustomVar%d does, the success text
// of the last page, and the password fields of a form.
#pragma once

#include <string>
#include <vector>

namespace draft {

// A "CustomVar" pattern that cuts exactly `value` out of `page` (checked
// with the runner's own extraction) and that a gateway file can hold as a
// value (no line break, no blanks or quotes at its ends, nothing the lint
// takes for a comment); "" when there is none. `field`, when given, is the
// form field the value belongs to: `name="field" value="(*)"` is tried first.
std::string CutPattern(const std::string& page, const std::string& value, const std::string& field = "");

// Whether `text` reads back unchanged as a value of a gateway file.
bool StoresAsValue(const std::string& text);

// A short text of `last` that none of `earlier` holds, taken from the text
// between its tags: no digits (reference numbers, dates), none of `avoid`.
// `sure` is false when the choice broke one of these rules; "" when `last`
// offers nothing.
std::string SuccessText(const std::string& last, const std::vector<const std::string*>& earlier,
                        const std::vector<std::string>& avoid, bool* sure);

// The names of a page's <input type="password"> fields.
std::vector<std::string> PasswordFields(const std::string& page);

}  // namespace draft
