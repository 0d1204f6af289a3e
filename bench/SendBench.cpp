// What the engine adds to a send: one send job over a gateway of five
// requests against the loopback test provider, beside the same five
// requests made straight through the carrier, alternated in one process.
// The "ratio" counter is send time over direct time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Provider.h"
#include "StandIn.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "send/SendControls.h"
#include "send/SendJob.h"
#include "shell/Settings.h"
#include "transport/Http.h"

namespace {

class BenchControls : public SendControls {
public:
    const char* SelectedPrefix() override { return "43"; }
    std::string ReadMessage() override { return "Benchmark message"; }
    std::string ReadMessageForSend() override { return ReadMessage(); }
    void WriteMessage(const std::string&) override {}
    std::string ReadNumber() override { return "6641234567"; }
    void SetStatus(const std::string& text) override { status = text; }
    void EnableSend(bool) override {}
    void FocusMessage() override {}
    void FocusNumber() override {}
    void Close() override {}
    script::ProgressTarget* Progress() override { return nullptr; }
    std::string status;
};

std::vector<std::string> Urls(int port) {
    std::string base = "http://127.0.0.1:" + std::to_string(port);
    return {base + "/echo?step=1", base + "/echo?step=2", base + "/echo?step=3", base + "/echo?step=4",
            base + "/api/send?user=demo&pass=secret&to=436641234567&text=Benchmark+message"};
}

void WriteGateway(const std::filesystem::path& folder, int port) {
    std::ofstream out(folder / "bench.ini", std::ios::binary);
    out << "[Gateway]\r\nName=Bench\r\nPrefix1=43;Austria\r\nSuccess=OK: message accepted\r\n";
    std::string base = "http://127.0.0.1:" + std::to_string(port);
    for (int i = 1; i <= 4; ++i) {
        out << "[Request" << i << "]\r\nURL=" << base << "/echo?step=" << i << "\r\nType=GET\r\n";
    }
    out << "[Request5]\r\nURL=" << base << "/api/send?user=$User&pass=$Pass&to=$Prefix$Number&text=$Message\r\n"
        << "Type=GET\r\n";
}

// The headers the request runner sends, so both paths carry the same bytes.
std::vector<host::HttpHeader> RunnerHeaders() {
    static char ua[] = "User-Agent", uaValue[] = "Mozilla/4.0";
    static char accept[] = "Accept",
                acceptValue[] = "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5";
    static char lang[] = "Accept-Language", langValue[] = "en-us,en;q=0.5";
    static char charset[] = "Accept-Charset", charsetValue[] = "ISO-8859-1,utf-8;q=0.7,*;q=0.7";
    static char keep[] = "Keep-Alive", keepValue[] = "300";
    return {{ua, uaValue}, {accept, acceptValue}, {lang, langValue}, {charset, charsetValue}, {keep, keepValue}};
}

void SendVersusDirect(benchmark::State& state) {
    standin::Reset();
    transport::LoadWinInet();
    provider::Options options;
    std::string error;
    provider::Server* server = provider::Start(options, &error);
    if (!server) {
        state.SkipWithError(error.c_str());
        return;
    }
    int port = provider::Port(server);
    auto folder = std::filesystem::temp_directory_path() / ("parlet-send-bench-" + std::to_string(port));
    std::filesystem::create_directories(folder);
    WriteGateway(folder, port);
    {
        std::ofstream account(folder / "bench.sac", std::ios::binary);
        account << "[Account1]\r\nUsername=demo\r\nPassword=secret\r\n";
    }
    SetGatewayFolder(folder.string());
    CreateCatalogue();
    ScanGateways();

    const std::vector<std::string> urls = Urls(port);
    std::vector<host::HttpHeader> headers = RunnerHeaders();
    double sendSeconds = 0, directSeconds = 0;
    bool allSent = true;
    int rounds = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto t0 = Clock::now();
        BenchControls controls;
        std::atomic<int> abortFlag{0};
        SendRequest request;
        request.dialog = &controls;
        request.abortFlag = &abortFlag;
        SendJob(request);
        auto t1 = Clock::now();
        for (const std::string& url : urls) {
            host::HttpRequest r{};
            r.size = 44;
            r.requestType = host::kHttpGet;
            r.flags = 0x80003;
            r.url = const_cast<char*>(url.c_str());
            r.headers = headers.data();
            r.headerCount = static_cast<int>(headers.size());
            host::HttpReply* reply = transport::HttpTransaction(&r);
            if (!reply) allSent = false;
            transport::FreeHttpReply(reply);
        }
        auto t2 = Clock::now();
        sendSeconds += std::chrono::duration<double>(t1 - t0).count();
        directSeconds += std::chrono::duration<double>(t2 - t1).count();
        allSent = allSent && controls.status == "Message sent successfully";
        if (++rounds % 200 == 0) provider::ClearOutbox(server);
    }
    if (!allSent) state.SkipWithError("a send or a direct request failed");
    state.counters["send_ms"] = benchmark::Counter(sendSeconds * 1000 / rounds);
    state.counters["direct_ms"] = benchmark::Counter(directSeconds * 1000 / rounds);
    state.counters["ratio"] = benchmark::Counter(sendSeconds / directSeconds);

    FreeCatalogue();
    provider::Stop(server);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

BENCHMARK(SendVersusDirect)->Unit(benchmark::kMillisecond)->MinTime(5.0);

}  // namespace
