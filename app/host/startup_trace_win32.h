// Marks of the start-up's steps, for the start-up bench's own build of the
// program (KAVREL_STARTUP_TRACE defined): each mark notes the time since the
// process was created, and the first KAVREL_STARTUP_WRITE() appends the
// marks as one line to the file named by the environment variable
// KAVREL_STARTUP_TRACE_FILE. In the shipped program every mark is nothing.
#pragma once

#ifdef KAVREL_STARTUP_TRACE

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace kavrel::app::startup {

struct Marks {
    const char* step[24];
    double ms[24];
    int count = 0;
    bool written = false;
};

inline Marks& TheMarks() {
    static Marks marks;
    return marks;
}

inline double SinceProcessCreation() {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(static_cast<long long>(ticks(now) - ticks(created))) / 10000.0;
}

inline void Mark(const char* step) {
    Marks& m = TheMarks();
    if (m.count == 24) return;
    m.step[m.count] = step;
    m.ms[m.count] = SinceProcessCreation();
    ++m.count;
}

inline void Write() {
    Marks& m = TheMarks();
    if (m.written) return;
    m.written = true;
    const char* path = std::getenv("KAVREL_STARTUP_TRACE_FILE");
    if (!path || !*path) return;
    std::FILE* f = std::fopen(path, "a");
    if (!f) return;
    for (int i = 0; i < m.count; ++i) std::fprintf(f, "%s%s=%.2f", i ? " " : "", m.step[i], m.ms[i]);
    std::fprintf(f, "\n");
    std::fclose(f);
}

}  // namespace kavrel::app::startup

#define KAVREL_STARTUP_MARK(step) ::kavrel::app::startup::Mark(step)
#define KAVREL_STARTUP_WRITE() ::kavrel::app::startup::Write()

#else

#define KAVREL_STARTUP_MARK(step) ((void)0)
#define KAVREL_STARTUP_WRITE() ((void)0)

#endif
