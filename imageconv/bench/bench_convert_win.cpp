// The shipped build's conversion, as the benchmark measures it under Wine: converts one file
// with ConvertFileToBmp and prints its wall time in seconds and how far the process's peak
// working set rose above what it held before, in MB.
//   bench_convert IN OUT     prints "SECONDS MEGABYTES"; exits 0 when the file converted
#include <windows.h>
// psapi.h needs the types of windows.h first.
#include <psapi.h>

#include <cstdio>

#include "imageconv/convert_to_bmp.h"

namespace {
double PeakMegabytes(SIZE_T* current) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    if (current) *current = counters.WorkingSetSize;
    return double(counters.PeakWorkingSetSize) / 1048576.0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_convert IN OUT\n");
        return 2;
    }
    SIZE_T before = 0;
    PeakMegabytes(&before);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int32_t result = kv::imageconv::ConvertFileToBmp(argv[1], argv[2]);
    QueryPerformanceCounter(&end);
    const double peak = PeakMegabytes(nullptr) - double(before) / 1048576.0;
    printf("%.4f %.1f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), peak);
    return result == kv::imageconv::kConverted ? 0 : 1;
}
