// Two request bodies compared as JSON: member by member, whatever their
// member order, blanks and escapes, naming the first member that differs.
#pragma once

#include <string>

namespace record {

// False when either text is no JSON (or nests too deep to read). Otherwise
// `difference` is empty for the same JSON, else one line naming the first
// member (in the path syntax of json: CustomVars) or element that differs:
// `body member "text" differs: recorded "Hi" sent "Ho"` ("nothing" for a
// member one side lacks).
bool CompareJsonBodies(const std::string& recorded, const std::string& live, std::string* difference);

}  // namespace record
