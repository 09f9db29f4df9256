#include "job_stepper.h"

#include "parallel_stepper.h"
#include "stepper.h"

#include <new>

namespace {

class SerialStepper final : public JobStepper {
public:
    explicit SerialStepper(QdlCore& job) : job(job) {}
    ~SerialStepper() override { abandonPairInProgress(job); }
    int step() override { return compareStep(job); }
    std::uint64_t bytesInFlight() const override { return 0; }
    const char* nameInProgress() const override { return job.stats.currentName; }

private:
    QdlCore& job;
};

}  // namespace

JobStepper* startStepper(QdlCore& job, int pairsAtOnce) {
    if (pairsAtOnce > 1) {
        auto* parallel = new (std::nothrow) ParallelStepper(job);
        if (parallel != nullptr && parallel->start(pairsAtOnce) == 0) return parallel;
        delete parallel;
    }
    return new (std::nothrow) SerialStepper(job);
}
