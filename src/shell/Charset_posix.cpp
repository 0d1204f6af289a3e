#include "shell/Charset.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace charset {
namespace platform {

namespace {

// One conversion descriptor, closed on every path.
class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts text[*pos, end) as far as it goes; *pos ends where it stopped.
    // Gives 0 when all went, else errno (EILSEQ, EINVAL).
    int Convert(const std::string& text, size_t* pos, size_t end, std::string* out) {
        char* in = const_cast<char*>(text.data()) + *pos;
        size_t inLeft = end - *pos;
        int error = 0;
        while (inLeft > 0) {
            char buffer[256];
            char* o = buffer;
            size_t outLeft = sizeof buffer;
            size_t result = iconv(cd_, &in, &inLeft, &o, &outLeft);
            if (out) out->append(buffer, static_cast<size_t>(o - buffer));
            if (result == static_cast<size_t>(-1) && errno != E2BIG) {
                error = errno;
                break;
            }
        }
        *pos = static_cast<size_t>(in - text.data());
        return error;
    }

private:
    iconv_t cd_;
};

// A byte that starts a character it cannot finish alone is a lead byte.
bool HasLeadBytes(const std::string& name) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        Converter decode("UTF-8", name);
        if (!decode.ok()) return true;
        std::string one(1, static_cast<char>(b));
        size_t pos = 0;
        if (decode.Convert(one, &pos, 1, nullptr) == EINVAL) return true;
    }
    return false;
}

}  // namespace

Charset Default() { return Charset::Utf8(); }

std::optional<Charset> Find(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;  // no //TRANSLIT and the like
    Converter encode(name, "UTF-8");
    if (!encode.ok()) return std::nullopt;
    std::string ascii, out;
    for (char c = ' '; c <= '~'; ++c) ascii += c;
    size_t pos = 0;
    if (encode.Convert(ascii, &pos, ascii.size(), &out) != 0 || out != ascii) return std::nullopt;
    return Charset(name, HasLeadBytes(name) ? Charset::Width::kMultiByte : Charset::Width::kSingleByte, 0);
}

bool Encode(const Charset& charset, const std::string& utf8, std::string* out, Unfit* unfit) {
    Converter encode(charset.name(), "UTF-8");
    if (!encode.ok()) return false;
    std::string result;
    size_t pos = 0;
    if (encode.Convert(utf8, &pos, utf8.size(), &result) != 0) {
        if (unfit) {
            uint32_t c = 0;
            size_t length = utf8::CharLength(utf8, pos, &c);
            *unfit = Unfit{utf8.substr(pos, length ? length : 1), c, pos};
        }
        return false;
    }
    *out = std::move(result);
    return true;
}

std::string Decode(const Charset& charset, const std::string& text) {
    Converter decode("UTF-8", charset.name());
    if (!decode.ok()) return text;
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        if (decode.Convert(text, &pos, text.size(), &out) == 0) break;
        out += '?';
        ++pos;
    }
    return out;
}

bool ToUtf8(const Charset& charset, const std::string& text, std::string* out) {
    Converter decode("UTF-8", charset.name());
    std::string result;
    size_t pos = 0;
    if (!decode.ok() || decode.Convert(text, &pos, text.size(), &result) != 0) return false;
    *out = std::move(result);
    return true;
}

size_t MultiByteCutPoint(const Charset& charset, const std::string& text, size_t limit) {
    // Converting the bytes before the cut stops at a character they hold
    // only the beginning of: there is the cut. Bytes that are no character
    // at all count one each.
    Converter decode("UTF-32LE", charset.name());
    if (!decode.ok()) return limit;
    size_t pos = 0;
    while (pos < limit) {
        int error = decode.Convert(text, &pos, limit, nullptr);
        if (error == 0 || error == EINVAL) break;
        ++pos;  // EILSEQ
    }
    return pos;
}

}  // namespace platform
}  // namespace charset
