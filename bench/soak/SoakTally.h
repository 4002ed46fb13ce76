#pragma once

#include "FaultPlan.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veltra::soak {

// The figures of a soak and every check that failed, each named with its
// operation, port and the seed that repeats the run.
class SoakTally {
public:
    explicit SoakTally(uint64_t seed) : seed_(seed) {}

    void CountOperation(Operation operation);
    void CountInjected() { ++injected_; }
    void CountDetected() { ++detected_; }
    void CountSurvived() { ++survived_; }
    void CountWrongBytes(size_t bytes) { wrongBytes_ += bytes; }
    void CountHang() { ++hangs_; }
    // A port shown "Completed!" (or its window closed as done) whose work was not done.
    void CountUnearnedCompletion() { ++unearned_; }
    void CountWrongValue() { ++wrongValues_; }
    void CountRefusedDownload() { ++refusedDownloads_; }
    // Prints the failure at once, so that a run that is stopped keeps it.
    void Fail(int operation, int port, const std::string& what);

    int Operations() const { return operations_; }
    int OperationsOf(Operation operation) const { return byKind_[static_cast<size_t>(operation)]; }
    int Injected() const { return injected_; }
    int Detected() const { return detected_; }
    int Survived() const { return survived_; }
    size_t WrongBytes() const { return wrongBytes_; }
    int Hangs() const { return hangs_; }
    int UnearnedCompletions() const { return unearned_; }
    int WrongValues() const { return wrongValues_; }
    int RefusedDownloads() const { return refusedDownloads_; }
    size_t Failures() const { return failures_; }

private:
    uint64_t seed_;
    int operations_ = 0;
    std::array<int, kOperationKinds> byKind_{};
    int injected_ = 0;
    int detected_ = 0;
    int survived_ = 0;
    size_t wrongBytes_ = 0;
    int hangs_ = 0;
    int unearned_ = 0;
    int wrongValues_ = 0;
    int refusedDownloads_ = 0;
    size_t failures_ = 0;
};

}  // namespace veltra::soak
