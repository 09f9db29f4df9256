#include "job_stepper.h"

#include "parallel_stepper.h"
#include "stepper.h"

#include <new>

namespace {

// One pair at a time, read in the workers' large chunks: the job's own buffers hold the dialogs'
// smaller ones.
class SerialStepper final : public JobStepper {
public:
    explicit SerialStepper(QdlCore& job) : job(job) {
        job.inProgress.sourceBuffer = sourceBuffer;
        job.inProgress.destinationBuffer = destinationBuffer;
        job.inProgress.chunk = workerChunk;
    }
    ~SerialStepper() override {
        abandonPairInProgress(job);
        job.inProgress.sourceBuffer = job.sourceBuffer;
        job.inProgress.destinationBuffer = job.destinationBuffer;
        job.inProgress.chunk = chunkSize;
    }
    int step() override { return compareStep(job); }
    std::uint64_t bytesInFlight() const override { return 0; }
    const char* nameInProgress() const override { return job.stats.currentName; }

private:
    QdlCore& job;
    unsigned char sourceBuffer[workerChunk + 4];
    unsigned char destinationBuffer[workerChunk + 4];
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
