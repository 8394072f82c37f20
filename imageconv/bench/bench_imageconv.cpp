// Times ConvertToBmp against djpeg, dwebp, heif-convert, djxl, ImageMagick and Pillow on the same
// images, in one run, and prints medians and peak memory side by side with the ratios; with
// --windows, a row beneath each for a Windows build's conversion under Wine (the shipped
// 32-bit one, win32, and win64).
//   bench_imageconv run WORKDIR [--small-only] [--reps N] [--windows NAME WINE_SCRIPT EXE]...
//   bench_imageconv convert IN OUT      (one conversion; used as the measured child)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "imageconv/bench/bench_images.h"
#include "imageconv/bench/process_stats.h"
#include "imageconv/convert_to_bmp.h"

namespace kv::imageconv::bench {
namespace {

constexpr const char* kDjpeg = "/usr/bin/djpeg";
constexpr const char* kMagick = "/usr/bin/convert";
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kDwebp = "/usr/bin/dwebp";
constexpr const char* kDjxl = "/usr/bin/djxl";
constexpr const char* kHeifConvert = "/usr/bin/heif-convert";

struct Tool {
    std::string name;
    std::vector<std::string> onlyFor;  // file name endings it takes; empty: every file
    std::vector<std::string> (*command)(const std::string& self, const std::string& in,
                                        const std::string& out);
};

const Tool kTools[] = {
    {"ours",
     {},
     [](const std::string& self, const std::string& in, const std::string& out) {
         return std::vector<std::string>{self, "convert", in, out};
     }},
    {"djpeg",
     {".jpg"},
     [](const std::string&, const std::string& in, const std::string& out) {
         return std::vector<std::string>{kDjpeg, "-rgb", "-bmp", "-outfile", out, in};
     }},
    {"magick",
     {},
     [](const std::string&, const std::string& in, const std::string& out) {
         return std::vector<std::string>{kMagick, in, "-type", "TrueColor", "BMP3:" + out};
     }},
    {"dwebp",
     {".webp"},
     [](const std::string&, const std::string& in, const std::string& out) {
         return std::vector<std::string>{kDwebp, "-bmp", in, "-o", out};
     }},
    // heif-convert writes no BMP: PNG (compressed) is what it offers in colour.
    {"heif-convert",
     {".heic", ".avif"},
     [](const std::string&, const std::string& in, const std::string& out) {
         return std::vector<std::string>{kHeifConvert, "--quiet", in, out + ".png"};
     }},
    // djxl writes no BMP: PPM (uncompressed, like a BMP) is the nearest it offers.
    {"djxl",
     {".jxl"},
     [](const std::string&, const std::string& in, const std::string& out) {
         return std::vector<std::string>{kDjxl, in, out + ".ppm", "--quiet"};
     }},
    {"pillow",
     {},
     [](const std::string&, const std::string& in, const std::string& out) {
         return std::vector<std::string>{
             kPython, "-c",
             "import sys; from PIL import Image; "
             "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2], 'BMP')",
             in, out};
     }},
};

bool Takes(const Tool& tool, const std::string& path) {
    if (tool.onlyFor.empty()) return true;
    for (const std::string& ending : tool.onlyFor) {
        if (path.size() >= ending.size() &&
            path.compare(path.size() - ending.size(), ending.size(), ending) == 0) {
            return true;
        }
    }
    return false;
}

bool Executable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

std::string SelfPath() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string("bench_imageconv");
}

// A Windows build under Wine: `wine` runs the program `exe`, which converts one file and
// prints its own time and memory (Wine's start-up is not the conversion's).
struct WindowsBuild {
    std::string name, wine, exe, wineDir;
};

RunStats RunWindows(const WindowsBuild& windows, const std::string& in, const std::string& out) {
    std::string printed;
    RunStats stats = RunCommand(
        {windows.wine, "--dir", windows.wineDir, windows.exe, "Z:" + in, "Z:" + out}, &printed);
    stats.ok =
        stats.ok && sscanf(printed.c_str(), "%lf %lf", &stats.seconds, &stats.peakMegabytes) == 2;
    return stats;
}

struct Summary {
    bool ok = false;
    double seconds = 0, megabytes = 0;
};

Summary Median(std::vector<RunStats> runs) {
    Summary s;
    if (runs.empty() || !std::all_of(runs.begin(), runs.end(), [](auto& r) { return r.ok; })) {
        return s;
    }
    std::sort(runs.begin(), runs.end(), [](auto& a, auto& b) { return a.seconds < b.seconds; });
    s.ok = true;
    s.seconds = runs[runs.size() / 2].seconds;
    for (const RunStats& r : runs) s.megabytes = std::max(s.megabytes, r.peakMegabytes);
    return s;
}

void PrintTable(const std::vector<BenchImage>& images, int reps, const std::string& workDir,
                const std::vector<WindowsBuild>& windows) {
    const std::string self = SelfPath();
    const std::string out = workDir + "/out.bmp";
    printf("\n%-13s %-11s | %-15s | %-15s | %-15s | %-15s | %-9s %-9s %-9s | %-22s | %s\n",
           "format", "size", "ours s / MB", "codec tool s/MB", "magick s / MB", "pillow s / MB",
           "/codec", "/fastest", "/magick", "ours MB vs storage MB", "target: storage + 128 MB");
    for (const BenchImage& image : images) {
        std::map<std::string, std::vector<RunStats>> runs;
        // Interleaved repetitions, so that slow drifts of the machine hit every tool alike.
        for (int r = 0; r < reps; ++r) {
            for (const Tool& tool : kTools) {
                if (!Takes(tool, image.path)) continue;
                const std::vector<std::string> argv = tool.command(self, image.path, out);
                if (!Executable(argv[0])) continue;
                unlink(out.c_str());
                runs[tool.name].push_back(RunCommand(argv));
            }
            for (const WindowsBuild& build : windows) {
                unlink(out.c_str());
                runs[build.name].push_back(RunWindows(build, image.path, out));
            }
        }
        std::map<std::string, Summary> s;
        for (auto& [name, list] : runs) s[name] = Median(list);
        auto cell = [&](const std::string& name) {
            char text[32] = "-";
            if (s.count(name) && s[name].ok) {
                snprintf(text, sizeof text, "%6.3f / %6.0f", s[name].seconds, s[name].megabytes);
            }
            return std::string(text);
        };
        double fastest = 0;
        for (auto& [name, summary] : s) {
            const bool windowsBuild = std::any_of(windows.begin(), windows.end(),
                                                  [&](auto& build) { return build.name == name; });
            if (name != "ours" && !windowsBuild && summary.ok &&
                (fastest == 0 || summary.seconds < fastest)) {
                fastest = summary.seconds;
            }
        }
        char size[32];
        snprintf(size, sizeof size, "%dx%d", image.width, image.height);
        const double rowMegabytes = image.width * 3 / 1048576.0;
        // The format's own command-line decoder: djpeg, dwebp, heif-convert or djxl.
        std::string codec = "djpeg";
        for (const char* name : {"dwebp", "heif-convert", "djxl"}) {
            if (s.count(name)) codec = name;
        }
        // A conversion may hold its storage and 128 MB besides.
        const double storageMegabytes = double(image.designBytes) / 1048576.0 + rowMegabytes;
        const double target = storageMegabytes + 128;
        // The host build's row, then each Windows build's with its ratios to the same tools.
        std::vector<std::string> builds = {"ours"};
        for (const WindowsBuild& build : windows) builds.push_back(build.name);
        for (const std::string& build : builds) {
            const Summary& ours = s[build];
            auto ratio = [&](const std::string& name) {
                char text[16] = "-";
                if (ours.ok && s.count(name) && s[name].ok) {
                    snprintf(text, sizeof text, "%.2f", ours.seconds / s[name].seconds);
                }
                return std::string(text);
            };
            char fastestText[16] = "-";
            if (ours.ok && fastest > 0) {
                snprintf(fastestText, sizeof fastestText, "%.2f", ours.seconds / fastest);
            }
            char storage[32];
            snprintf(storage, sizeof storage, "%.0f vs %.0f+row", ours.megabytes,
                     storageMegabytes - rowMegabytes);
            const bool host = build == "ours";
            const std::string label = host ? image.label : "  " + build;
            printf(
                "%-13s %-11s | %-15s | %-15s | %-15s | %-15s | %-9s %-9s %-9s | %-22s | %.0f %s\n",
                label.c_str(), host ? size : "", cell(build).c_str(),
                host ? cell(codec).c_str() : "", host ? cell("magick").c_str() : "",
                host ? cell("pillow").c_str() : "", ratio(codec).c_str(), fastestText,
                ratio("magick").c_str(), storage, target,
                !ours.ok                   ? "-"
                : ours.megabytes <= target ? "within"
                                           : "OVER");
        }
        fflush(stdout);
    }
    unlink(out.c_str());
}

int Run(int argc, char** argv) {
    std::string workDir = argc > 2 ? argv[2] : "bench-work";
    bool smallOnly = false;
    int reps = 5;
    std::vector<WindowsBuild> windows;
    for (int i = 3; i < argc; ++i) {
        if (!strcmp(argv[i], "--small-only")) smallOnly = true;
        if (!strcmp(argv[i], "--reps") && i + 1 < argc) reps = std::max(1, atoi(argv[++i]));
        if (!strcmp(argv[i], "--windows") && i + 3 < argc) {
            windows.push_back({argv[i + 1], argv[i + 2], argv[i + 3], workDir + "/wine"});
            i += 3;
        }
    }
    mkdir(workDir.c_str(), 0755);
    printf(
        "Median wall time (s) and peak resident memory (MB) of one conversion to a 24-bit "
        "BMP, %d runs each.\nRatios: ours divided by the other tool (below 1 = ours faster). "
        "Storage: the image blocks the conversion needs, plus one row.\n",
        reps);
    if (!windows.empty()) {
        printf(
            "Windows rows (win32: the release build): the conversion under Wine, timed inside "
            "the program (Wine's start-up left out); MB: its peak working set's rise.\n");
    }
    for (bool large : {false, true}) {
        if (large && smallOnly) continue;
        printf("\nmaking %s images in %s ...\n", large ? "large" : "small", workDir.c_str());
        fflush(stdout);
        PrintTable(MakeBenchImages(workDir, large), reps, workDir, windows);
    }
    return 0;
}

}  // namespace
}  // namespace kv::imageconv::bench

int main(int argc, char** argv) {
    if (argc == 4 && !strcmp(argv[1], "convert")) {
        return kv::imageconv::ConvertFileToBmp(argv[2], argv[3]) == kv::imageconv::kConverted ? 0
                                                                                              : 1;
    }
    if (argc >= 2 && !strcmp(argv[1], "run")) return kv::imageconv::bench::Run(argc, argv);
    fprintf(stderr,
            "usage: %s run WORKDIR [--small-only] [--reps N] [--windows NAME WINE_SCRIPT EXE]... | "
            "convert IN OUT\n",
            argv[0]);
    return 2;
}
