#include "recorded_job.h"

#include <cstring>

std::shared_ptr<QdlCore> recordedJob(const char* source, const char* destination,
                                     const std::vector<RecordedPair>& pairs) {
    std::shared_ptr<QdlCore> job(new QdlCore(source, destination, StopByErrors), [](QdlCore* done) {
        if (currentJob == done) currentJob = nullptr;
        delete done;
    });
    FileInfList& list = writableState(*job).pairs;
    for (const RecordedPair& pair : pairs) {
        FindRecord entry = {};
        const bool marker = std::strcmp(pair.name, ".") == 0;
        if (!marker) std::strcpy(entry.name, pair.name);
        if (pair.directory) entry.attributes = FILE_ATTRIBUTE_DIRECTORY;
        list.addPair(entry, entry);
    }
    FindRecord source_;
    FindRecord destination_;
    PairMark mark;
    for (const RecordedPair& pair : pairs) {
        list.nextPair(&source_, &destination_, &mark);
        list.setLastCode(static_cast<ResultCode>(pair.code));
    }
    list.rewind();
    currentJob = job.get();
    return job;
}
