#include "RunTrace.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "CommandSupport.h"
#include "script/RequestHeaders.h"
#include "script/Template.h"
#include "shell/Log.h"

namespace {

constexpr const char* kHidden = "***";

// The file name a reply body gets: its number, its request, a type's ending.
std::string PageName(int exchange, int section, const std::string& mimeType) {
    const char* ending = "txt";
    if (mimeType.find("html") != std::string::npos) {
        ending = "html";
    } else if (mimeType.find("json") != std::string::npos) {
        ending = "json";
    } else if (mimeType.find("xml") != std::string::npos) {
        ending = "xml";
    } else if (!mimeType.empty() && mimeType.rfind("text/", 0) != 0) {
        ending = "bin";
    }
    char name[64];
    std::snprintf(name, sizeof name, "%02d-Request%d.%s", exchange, section, ending);
    return name;
}

bool StartsWith(const char* text, const char* prefix) {
    return std::string(text).compare(0, std::string(prefix).size(), prefix) == 0;
}

}  // namespace

RunTrace::RunTrace(std::FILE* out, TraceOptions options) : out_(out), options_(std::move(options)) {
    logging::SetObserver(Echo, this);
}

RunTrace::~RunTrace() { logging::SetObserver(nullptr, nullptr); }

// The runner's header list is left out: the ">> " lines show what the
// carrier really sent.
void RunTrace::Echo(const char* entry, void* self) {
    RunTrace* trace = static_cast<RunTrace*>(self);
    const char* text = LogText(entry);
    if (StartsWith(text, " - Current headers:")) {
        trace->skippingHeaders_ = true;
        return;
    }
    if (trace->skippingHeaders_ && StartsWith(text, " > ")) return;
    trace->skippingHeaders_ = false;
    std::fputs(ShownText(trace->Hidden(text), true).c_str(), trace->out_);
    std::fflush(trace->out_);
}

void RunTrace::RunStarted(const char* path, const char*, const char* password, const script::SmsMessage&) {
    hidden_ = record::Secrets{};
    if (password && *password) hidden_.scraped.push_back({kHidden, password});
    scraped_.Start(options_.showSecrets ? nullptr : path);
    exchange_ = 0;
    section_ = 0;
}

std::string RunTrace::Hidden(const std::string& text) const {
    return options_.showSecrets ? text : record::Redact(text, hidden_);
}

void RunTrace::Lines(const char* mark, const std::string& text) const {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::fprintf(out_, "%s%s\n", mark, ShownText(Hidden(line), false).c_str());
        start = end + 1;
    }
}

void RunTrace::Looked(int, const script::Lookup& lookup) {
    std::fprintf(out_, " = %s [%s]: %s%s\n", lookup.key.c_str(), ShownText(lookup.text, false).c_str(),
                 lookup.found ? ShownText(Hidden(lookup.value), false).c_str() : "not found",
                 lookup.ranToEnd ? " (ran to the end of the page: the text after (*) was not found)" : "");
}

void RunTrace::Sending(const har::Request& request) {
    ++exchange_;
    std::fprintf(out_, ">> %s %s\n", request.method.c_str(), ShownText(Hidden(request.url), false).c_str());
    for (const har::NameValue& h : request.headers) {
        // An Authorization's credentials show as "***" (Basic ones hold the password in Base64).
        Lines((">> " + h.name + ": ").c_str(),
              options_.showSecrets ? h.value : script::ShownHeaderValue(h.name, h.value));
    }
    if (request.postData) {
        std::fprintf(out_, ">>\n");
        Lines(">> ", request.postData->text);
    }
    std::fflush(out_);
}

void RunTrace::Received(const har::Request&, const har::Response& response, double) {
    // A token is hidden from the reply it comes in on.
    record::Secrets found;
    scraped_.Learn(section_, response.content.text, &found);
    for (const auto& secret : found.scraped) {
        const std::pair<std::string, std::string> hidden{kHidden, secret.second};
        if (std::find(hidden_.scraped.begin(), hidden_.scraped.end(), hidden) == hidden_.scraped.end())
            hidden_.scraped.push_back(hidden);
    }
    if (response.status == 0) {
        std::fprintf(out_, "<< no reply\n");
        return;
    }
    std::fprintf(out_, "<< %d %s\n", response.status, ShownText(response.statusText, false).c_str());
    for (const har::NameValue& h : response.headers) Lines(("<< " + h.name + ": ").c_str(), h.value);
    Body(response);
    std::fflush(out_);
}

void RunTrace::Body(const har::Response& response) {
    const std::string& body = response.content.text;
    std::string where;
    if (!options_.pagesDir.empty()) {
        const std::filesystem::path file =
            std::filesystem::path(options_.pagesDir) / PageName(exchange_, section_, response.content.mimeType);
        std::ofstream page(file, std::ios::binary | std::ios::trunc);
        page.write(body.data(), static_cast<std::streamsize>(body.size()));
        page.close();
        if (page) {
            where = ", in " + file.string();
        } else {
            where = ", not written to " + file.string();
            pagesWritten_ = false;
        }
    }
    std::fprintf(out_, "<< body: %zu bytes%s\n", body.size(), where.c_str());
    if (options_.verbose && !body.empty()) Lines("<<| ", body);
}
