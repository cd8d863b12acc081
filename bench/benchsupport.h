#pragma once

#include <QtGlobal>
#include <QString>
#include <initializer_list>
#include <utility>

// What the benchmark programs share: a stop watch, their one result line and
// their failure exit. The result line is "name key=value ...", read by bench/run.
namespace ta::bench {

// The process's own peak resident set so far, in KiB.
long peakRssKiB();

// Prints, for a measurement of `nsecs` nanoseconds, "name seconds=S records=N us_per_record=U peak_kib=K" and any further
// pairs, then flushes standard output.
void printResult(const char *name, qint64 nsecs, long long records,
                 std::initializer_list<std::pair<const char *, QString>> extra = {});

// Prints "name: message" on standard error and exits with status 2.
[[noreturn]] void fail(const char *name, const QString &message);

} // namespace ta::bench
