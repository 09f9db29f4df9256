#include "job_stepper.h"

#include "parallel_stepper.h"
#include "platform/whole_file_reads.h"
#include "stepper.h"

#include <new>

namespace {

// One pair at a time, read in the workers' large chunks into buffers of its own: the job's hold
// the dialogs' smaller ones.
class SerialStepper final : public JobStepper {
public:
    explicit SerialStepper(QdlCore& job) : job(job), comparison{} {
        comparison.sourceBuffer = sourceBuffer;
        comparison.destinationBuffer = destinationBuffer;
        comparison.chunk = workerChunk;
        comparison.timeWindow = job.options.timeWindow;
    }
    ~SerialStepper() override { (void)closePair(comparison); }
    int step() override { return compareStep(job, comparison); }
    std::uint64_t bytesInFlight() const override { return 0; }
    const char* nameInProgress() const override { return job.stats.currentName; }

private:
    QdlCore& job;
    PairComparison comparison;
    unsigned char sourceBuffer[workerChunk + 4];
    unsigned char destinationBuffer[workerChunk + 4];
};

}  // namespace

JobStepper* startStepper(QdlCore& job, int pairsAtOnce) {
    // One pair at a time still gains a worker where small files are read in batches: the worker
    // reads a run of them in a few calls while this thread plans and records.
    if (pairsAtOnce > 1 || wholeFileReadsLikely()) {
        auto* parallel = new (std::nothrow) ParallelStepper(job);
        if (parallel != nullptr && parallel->start(pairsAtOnce) == 0) return parallel;
        delete parallel;
    }
    return new (std::nothrow) SerialStepper(job);
}
