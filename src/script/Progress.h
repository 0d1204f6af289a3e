// Where a gateway run shows its progress: the send dialog's progress bar,
// or the command line's text bar.
#pragma once

namespace script {

// The step of a progress bar (PBM_STEPIT's default increment).
constexpr int kProgressStep = 10;

class ProgressTarget {
public:
    virtual ~ProgressTarget() = default;
    virtual void SetRange(int low, int high) = 0;
    virtual void SetPosition(int position) = 0;
    // Advances by kProgressStep.
    virtual void Step() = 0;
};

}  // namespace script
