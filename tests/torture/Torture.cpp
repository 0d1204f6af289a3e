// parlet_torture: processes for the stress and kill tests of the account
// renumbering and the log (driven by torture.sh).
//   accounts-init FILE LONG          write the fixture (LONG: long password length)
//   accounts FILE LONG ROUNDS SEED   renumber ROUNDS times (0: until killed), checking the
//                                    file after each; prints "started" after the first,
//                                    then "ok ROUNDS" or what broke
//   accounts-check FILE LONG         check the file once
//   log FILE TAG COUNT SIZE [hold]   write COUNT log entries of SIZE bytes; prints "started"
//                                    after the first and "done" after the last;
//                                    with hold, then waits to be killed
//   log-check FILE                   every entry whole, each writer's entries in order
//                                    and without gaps; prints the entries per writer
//   outbox FILE ROUNDS SEED          change the outbox ROUNDS times (0: until killed)
//   outbox-check FILE                the outbox sound, every message whole
//   retry-hang FOLDER                a retry that hangs in its request until killed
//   start-after-kill FOLDER          the next start: the message waits for the user
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "AccountFixture.h"
#include "LogEntry.h"
#include "OutboxTorture.h"
#include "StandIn.h"
#include "catalogue/Accounts.h"
#include "shell/Log.h"
#include "shell/Settings.h"

namespace {

int Accounts(const std::string& file, size_t longPassword, long rounds, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(2, 5);
    for (long round = 0; rounds == 0 || round < rounds; ++round) {
        if (RotateAccounts(file, pick(random)) != 0) {
            std::printf("renumbering %ld failed\n", round);
            return 1;
        }
        std::string problem = torture::CheckFixture(file, longPassword);
        if (!problem.empty()) {
            std::printf("after renumbering %ld: %s\n", round, problem.c_str());
            return 1;
        }
        if (round == 0) {
            std::printf("started\n");   // the killer waits for this
            std::fflush(stdout);
        }
    }
    std::printf("ok %ld\n", rounds);
    return 0;
}

int Log(const std::string& file, const std::string& tag, long count, size_t size, bool hold) {
    standin::Reset();
    settings::WriteByte("DoLog", 1);
    settings::WriteText("Logfile", file);
    for (long n = 1; n <= count; ++n) {
        WriteLog("%s", torture::LogEntry(tag, n, size).c_str());
        if (n == 1) {
            std::printf("started\n");
            std::fflush(stdout);
        }
    }
    std::printf("done\n");
    std::fflush(stdout);
    while (hold) std::this_thread::sleep_for(std::chrono::seconds(1));
    CloseLog();
    return 0;
}

int LogCheck(const std::string& file) {
    std::map<std::string, long> last;
    std::string problem = torture::CheckLog(file, &last);
    for (const auto& [tag, n] : last) std::printf("%s %ld\n", tag.c_str(), n);
    if (!problem.empty()) {
        std::printf("broken: %s\n", problem.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    auto arg = [&](int i) { return std::string(i < argc ? argv[i] : ""); };
    auto number = [&](int i) { return std::strtol(arg(i).c_str(), nullptr, 10); };
    if (command == "accounts-init" && argc == 4) {
        torture::WriteFixture(arg(2), static_cast<size_t>(number(3)));
        return 0;
    }
    if (command == "accounts" && argc == 6) {
        return Accounts(arg(2), static_cast<size_t>(number(3)), number(4), static_cast<unsigned>(number(5)));
    }
    if (command == "accounts-check" && argc == 4) {
        std::string problem = torture::CheckFixture(arg(2), static_cast<size_t>(number(3)), true);
        std::printf("%s\n", problem.empty() ? "intact" : problem.c_str());
        return problem.empty() ? 0 : 1;
    }
    if (command == "log" && (argc == 6 || argc == 7)) {
        return Log(arg(2), arg(3), number(4), static_cast<size_t>(number(5)), arg(6) == "hold");
    }
    if (command == "log-check" && argc == 3) return LogCheck(arg(2));
    if (command == "outbox" && argc == 5) return torture::OutboxChanges(arg(2), number(3), static_cast<unsigned>(number(4)));
    if (command == "outbox-check" && argc == 3) return torture::OutboxCheck(arg(2));
    if (command == "retry-hang" && argc == 3) return torture::RetryHang(arg(2));
    if (command == "start-after-kill" && argc == 3) return torture::StartAfterKill(arg(2));
    std::fprintf(stderr, "usage: see the head of Torture.cpp\n");
    return 2;
}
