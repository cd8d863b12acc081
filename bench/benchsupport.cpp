#include "benchsupport.h"

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace ta::bench {

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

void printResult(const char *name, qint64 nsecs, long long records,
                 std::initializer_list<std::pair<const char *, QString>> extra)
{
    const double seconds = static_cast<double>(nsecs) / 1e9;
    const double perRecord = records > 0 ? seconds * 1e6 / static_cast<double>(records) : 0.0;
    std::printf("%s seconds=%.4f records=%lld us_per_record=%.3f peak_kib=%ld", name, seconds, records, perRecord,
                peakRssKiB());
    for (const auto &[key, value] : extra)
        std::printf(" %s=%s", key, qPrintable(value));
    std::printf("\n");
    std::fflush(stdout);
}

void fail(const char *name, const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", name, qPrintable(message));
    std::exit(2);
}

} // namespace ta::bench
