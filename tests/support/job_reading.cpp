#include "job_reading.h"

#include "engine/stepper.h"

std::vector<PairRow> pairRows(QdlCore& job) {
    std::vector<PairRow> rows;
    FindRecord source;
    FindRecord destination;
    ResultCode code;
    job.pairs.rewind();
    while (job.pairs.nextPair(&source, &destination, &code) == 0)
        rows.push_back({isExitMarker(source) ? "." : source.name,
                        isExitMarker(source) ? "" : destination.name, code});
    job.pairs.rewind();
    return rows;
}

std::unique_ptr<QdlCore> plannedJob(const std::string& source, const std::string& destination,
                                    StopLevel level) {
    auto job = std::make_unique<QdlCore>(source.c_str(), destination.c_str(), level);
    static_cast<void>(job->plan());  // a refused specification leaves the list empty
    return job;
}

int stepToEnd(QdlCore& job) {
    int calls = 1;
    while (compareStep(job) == 0) ++calls;
    return calls;
}
