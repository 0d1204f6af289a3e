// Several run observers behind the one seam of the runner.
#pragma once

#include <vector>

#include "script/RunObserver.h"

namespace record {

class RunObservers : public script::RunObserver {
public:
    explicit RunObservers(std::vector<script::RunObserver*> observers) : observers_(std::move(observers)) {}

    void RunStarted(const char* path, const char* user, const char* password,
                    const script::SmsMessage& message) override {
        for (script::RunObserver* o : observers_) o->RunStarted(path, user, password, message);
    }
    void InquiryStarted(const char* section, const char* stem) override {
        for (script::RunObserver* o : observers_) o->InquiryStarted(section, stem);
    }
    void RequestStarted(int section) override {
        for (script::RunObserver* o : observers_) o->RequestStarted(section);
    }
    void Looked(int section, const script::Lookup& lookup) override {
        for (script::RunObserver* o : observers_) o->Looked(section, lookup);
    }
    void RunEnded(int result) override {
        for (script::RunObserver* o : observers_) o->RunEnded(result);
    }
    // The earliest limit any of them sets.
    int StopBefore(const char* path) override {
        int stop = 0;
        for (script::RunObserver* o : observers_) {
            const int s = o->StopBefore(path);
            if (s > 0 && (stop == 0 || s < stop)) stop = s;
        }
        return stop;
    }

private:
    std::vector<script::RunObserver*> observers_;
};

// Puts observers at the runner's seam for as long as it lives.
class ObservingRuns {
public:
    explicit ObservingRuns(script::RunObserver* observer) { script::SetRunObserver(observer); }
    ~ObservingRuns() { script::SetRunObserver(nullptr); }
    ObservingRuns(const ObservingRuns&) = delete;
    ObservingRuns& operator=(const ObservingRuns&) = delete;
};

}  // namespace record
