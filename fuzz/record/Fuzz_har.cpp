// The HAR reader, and the draft over what it reads. Any bytes give either
// one error line, or a document that writes out and reads back as written;
// a draft from a document either succeeds or names its reason.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "draft/Draft.h"
#include "record/Har.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    har::Document document;
    std::string error;
    if (!har::Parse(text, &document, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    const std::string written = har::Format(document);
    har::Document again;
    if (!har::Parse(written, &again, &error) || har::Format(again) != written) std::abort();

    draft::Given given;
    given.prefix = "43";
    given.number = "6641234567";
    given.message = "Hello";
    draft::Draft out;
    if (!draft::DraftGateway(document, given, &out, &error) && error.empty()) std::abort();
    return 0;
}
