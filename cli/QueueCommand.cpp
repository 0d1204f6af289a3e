// parlet queue: the outbox file that "send --queue" keeps failed messages in.
//   parlet queue FILE list
//   parlet queue FILE retry [N] --gateways DIR [--split N] [--number-parts] [--log FILE] [--force]
//   parlet queue FILE drop N [--force]
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandSupport.h"
#include "Commands.h"
#include "ConsoleControls.h"
#include "send/OutboxRetry.h"
#include "send/SendJob.h"
#include "shell/Clock.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "ui/OutboxPage.h"

namespace {

struct QueueOptions {
    std::string file, action, gateways, log;
    uint32_t id = 0;
    int split = 0;
    bool numberParts = false;
    bool force = false;
};

int List(const outbox::OutboxFile& file) {
    outbox::Contents contents = file.Read();
    std::vector<ui::OutboxRow> rows = ui::OutboxRows(contents, forward::Now());
    std::printf("%zu message(s) in %s\n", rows.size(), file.path().c_str());
    if (!rows.empty())
        std::printf("%5s  %-13s  %5s  %-11s  %-20s  %s\n", "id", "state", "tries", "next try", "number", "message");
    for (size_t i = 0; i < rows.size(); ++i) {
        const ui::OutboxRow& r = rows[i];
        const outbox::Message& m = contents.messages[i];
        std::string words = ui::FirstWords(outbox::MessageCharset(m).Decode(m.text), 40);
        std::printf("%5u  %-13s  %5s  %-11s  %-20s  %s\n", static_cast<unsigned>(r.id), r.state.c_str(),
                    r.tries.c_str(), r.nextTry.c_str(), r.number.c_str(), words.c_str());
    }
    return kExitOk;
}

// The user's word for a message marked as being sent: no send of it is under
// way, so its state is unknown, and it may be retried or dropped.
void Release(const outbox::OutboxFile& file, uint32_t id) {
    file.Change([&](outbox::Contents& c) {
        outbox::Message* m = c.Find(id);
        if (!m || m->state != outbox::State::kSending) return false;
        m->state = outbox::State::kUnknown;
        return true;
    });
}

// One try of message `id`; true when it went out.
bool RetryOne(const outbox::OutboxFile& file, uint32_t id) {
    std::optional<outbox::Message> m = outbox::BeginRetry(file, id);
    if (!m) {
        std::fprintf(stderr,
                     "parlet: message %u is not in %s, or is being sent (--force if no send of it is under way)\n",
                     static_cast<unsigned>(id), file.path().c_str());
        return false;
    }
    std::fprintf(stderr, "parlet: message %u to %s %s, try %u\n", static_cast<unsigned>(id), m->prefix.c_str(),
                 m->number.c_str(), static_cast<unsigned>(m->tries));
    const charset::Charset encoding = outbox::MessageCharset(*m);
    ConsoleControls controls(m->prefix, m->number, m->text, encoding.Decode(m->text), encoding, stderr);
    std::atomic<int> abortFlag{0};
    SendRequest request = outbox::RetryRequest(file, *m, &controls);
    request.followUp = false;  // credit and status are commands of their own
    request.abortFlag = &abortFlag;
    SendJob(request);
    std::printf("message %u: %s\n", static_cast<unsigned>(id), controls.Status().c_str());
    outbox::Contents after = file.Read();
    const outbox::Message* left = after.Find(id);
    if (left)
        std::fprintf(stderr, "parlet: message %u is %s\n", static_cast<unsigned>(id), outbox::StateWord(left->state));
    return !left;
}

class QueueCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        QueueOptions& o = options_;
        CLI::App* cmd =
            app.add_subcommand("queue", "list, retry or drop the messages of an outbox file (send --queue)");
        cmd->add_option("file", o.file, "the outbox file")->required();
        cmd->add_option("action", o.action, "list | retry | drop")
            ->required()
            ->check(CLI::IsMember({"list", "retry", "drop"}));
        cmd->add_option("id", o.id, "the message (retry: all queued ones when not given)");
        cmd->add_option("--gateways", o.gateways, "gateway folder (retry)")->check(CLI::ExistingDirectory);
        cmd->add_option("--split", o.split, "split a long message into at most N parts (default: cut it)")
            ->check(CLI::Range(1, 65535));
        cmd->add_flag("--number-parts", o.numberParts, "label split parts n/m");
        cmd->add_option("--log", o.log, "write the log to FILE");
        cmd->add_flag("--force", o.force,
                      "retry or drop a message marked as being sent: your word that no send of it is under way");
        command_ = cmd;
        return cmd;
    }

    int Run() override {
        outbox::OutboxFile file(Absolute(options_.file));
        if (options_.action == "list") return List(file);
        if (options_.action == "drop") return Drop(file);
        return Retry(file);
    }

private:
    int Drop(const outbox::OutboxFile& file) {
        if (options_.id == 0) {
            std::fprintf(stderr, "parlet queue: drop needs the message's id\n");
            return kExitUsage;
        }
        if (options_.force) Release(file, options_.id);
        bool dropped = false;
        file.Change([&](outbox::Contents& c) {
            const outbox::Message* m = c.Find(options_.id);
            dropped = m && m->state != outbox::State::kSending && c.Remove(options_.id);
            return dropped;
        });
        if (!dropped) {
            std::fprintf(stderr,
                         "parlet: message %u is not in %s, or is being sent (--force if no send of it is under way)\n",
                         static_cast<unsigned>(options_.id), file.path().c_str());
            return kExitFailed;
        }
        std::printf("message %u dropped\n", static_cast<unsigned>(options_.id));
        return kExitOk;
    }

    int Retry(const outbox::OutboxFile& file) {
        if (options_.gateways.empty()) {
            std::fprintf(stderr, "parlet queue: retry needs --gateways DIR\n");
            return kExitUsage;
        }
        if (!options_.log.empty()) {
            settings::WriteByte("DoLog", 1);
            settings::WriteText("Logfile", Absolute(options_.log));
        }
        ApplySplitOptions(command_->count("--split") > 0, options_.split, options_.numberParts);
        if (LoadCatalogue(options_.gateways) != 0) return kExitFailed;
        if (options_.id != 0) {
            if (options_.force) Release(file, options_.id);
            return RetryOne(file, options_.id) ? kExitOk : kExitFailed;
        }
        // Every queued message, the one due first first; a message in any
        // other state waits for the user's word (retry N).
        std::vector<outbox::Message> queued;
        for (const outbox::Message& m : file.Read().messages) {
            if (m.state == outbox::State::kQueued)
                queued.push_back(m);
            else
                std::fprintf(stderr, "parlet: message %u is %s: only \"retry %u\" tries it\n",
                             static_cast<unsigned>(m.id), outbox::StateWord(m.state), static_cast<unsigned>(m.id));
        }
        std::stable_sort(queued.begin(), queued.end(),
                         [](const outbox::Message& a, const outbox::Message& b) { return a.nextTry < b.nextTry; });
        bool all = true;
        for (const outbox::Message& m : queued) all = RetryOne(file, m.id) && all;
        return all ? kExitOk : kExitFailed;
    }

    QueueOptions options_;
    CLI::App* command_ = nullptr;
};

}  // namespace

std::unique_ptr<Command> MakeQueueCommand() { return std::make_unique<QueueCommand>(); }
