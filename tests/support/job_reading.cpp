#include "job_reading.h"

#include "engine/stepper.h"

namespace {

int codeOf(const PairMark& mark) {
    switch (mark.state) {
    case PairState::ToCompare: return toCompare;
    case PairState::SourceError: return plannedSourceError;
    case PairState::DestinationError: return plannedDestinationError;
    case PairState::Extra: return plannedExtra;
    case PairState::Compared: return comparedElsewhere;
    case PairState::Recorded: break;
    }
    return mark.code;
}

}  // namespace

std::vector<PairRow> pairRows(const QdlCore& job) {
    std::vector<PairRow> rows;
    FindRecord source;
    FindRecord destination;
    PairMark mark;
    ListCursor at = job.pairs.start();
    while (job.pairs.pairAt(&at, &source, &destination, &mark) == 0)
        rows.push_back({isExitMarker(source) ? "." : source.name,
                        isExitMarker(source) ? "" : destination.name, codeOf(mark)});
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
