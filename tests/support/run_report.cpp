#include "run_report.h"

#include "job_reading.h"
#include "log_text/log_lines.h"

std::string runReport(const std::string& source, const std::string& destination, StopLevel level) {
    auto job = plannedJob(source, destination, level);
    stepToEnd(*job);
    LogReader reader;
    startLogReader(*job, &reader);
    std::string report;
    while (const char* line = readLogLine(*job, reader)) report += std::string(line) + "\n";
    const CompareStats& s = job->stats;
    return report + "= " + std::to_string(s.noDifference) + " " + std::to_string(s.notices) + " " +
           std::to_string(s.errors) + " " + std::to_string(s.fatalErrors) + " " +
           std::to_string(s.total);
}
