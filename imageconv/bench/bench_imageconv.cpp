// Times ConvertToBmp against djpeg, dwebp, heif-convert, ImageMagick and Pillow on the same
// images, in one run, and prints medians and peak memory side by side with the ratios.
//   bench_imageconv run WORKDIR [--small-only] [--reps N]
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

void PrintTable(const std::vector<BenchImage>& images, int reps, const std::string& workDir) {
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
        auto ratio = [&](const std::string& name) {
            char text[16] = "-";
            if (s["ours"].ok && s.count(name) && s[name].ok) {
                snprintf(text, sizeof text, "%.2f", s["ours"].seconds / s[name].seconds);
            }
            return std::string(text);
        };
        double fastest = 0;
        for (auto& [name, summary] : s) {
            if (name != "ours" && summary.ok && (fastest == 0 || summary.seconds < fastest)) {
                fastest = summary.seconds;
            }
        }
        char fastestText[16] = "-";
        if (s["ours"].ok && fastest > 0) {
            snprintf(fastestText, sizeof fastestText, "%.2f", s["ours"].seconds / fastest);
        }
        char size[32];
        snprintf(size, sizeof size, "%dx%d", image.width, image.height);
        const double rowMegabytes = image.width * 3 / 1048576.0;
        // The format's own command-line decoder: djpeg, dwebp or heif-convert.
        std::string codec = "djpeg";
        for (const char* name : {"dwebp", "heif-convert"}) {
            if (s.count(name)) codec = name;
        }
        // A conversion may hold its storage and 128 MB besides.
        const double storageMegabytes = double(image.designBytes) / 1048576.0 + rowMegabytes;
        const double target = storageMegabytes + 128;
        char storage[32];
        snprintf(storage, sizeof storage, "%.0f vs %.0f+row", s["ours"].megabytes,
                 storageMegabytes - rowMegabytes);
        printf("%-13s %-11s | %-15s | %-15s | %-15s | %-15s | %-9s %-9s %-9s | %-22s | %.0f %s\n",
               image.label.c_str(), size, cell("ours").c_str(), cell(codec).c_str(),
               cell("magick").c_str(), cell("pillow").c_str(), ratio(codec).c_str(), fastestText,
               ratio("magick").c_str(), storage, target,
               s["ours"].megabytes <= target ? "within" : "OVER");
        fflush(stdout);
    }
    unlink(out.c_str());
}

int Run(int argc, char** argv) {
    std::string workDir = argc > 2 ? argv[2] : "bench-work";
    bool smallOnly = false;
    int reps = 5;
    for (int i = 3; i < argc; ++i) {
        if (!strcmp(argv[i], "--small-only")) smallOnly = true;
        if (!strcmp(argv[i], "--reps") && i + 1 < argc) reps = std::max(1, atoi(argv[++i]));
    }
    mkdir(workDir.c_str(), 0755);
    printf(
        "Median wall time (s) and peak resident memory (MB) of one conversion to a 24-bit "
        "BMP, %d runs each.\nRatios: ours divided by the other tool (below 1 = ours faster). "
        "Storage: the image blocks the conversion needs, plus one row.\n",
        reps);
    for (bool large : {false, true}) {
        if (large && smallOnly) continue;
        printf("\nmaking %s images in %s ...\n", large ? "large" : "small", workDir.c_str());
        fflush(stdout);
        PrintTable(MakeBenchImages(workDir, large), reps, workDir);
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
    fprintf(stderr, "usage: %s run WORKDIR [--small-only] [--reps N] | convert IN OUT\n", argv[0]);
    return 2;
}
