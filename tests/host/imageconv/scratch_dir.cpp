#include "tests/host/imageconv/scratch_dir.h"

#include <cstdlib>
#include <cstring>

namespace kv::imageconv::test {

void ScratchDirTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "imageconv-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    std::filesystem::create_directory(root_ / "tmp");
    const char* old = getenv("TMPDIR");
    hadTmpdir_ = old != nullptr;
    if (old) oldTmpdir_ = old;
    setenv("TMPDIR", TempDir().c_str(), 1);
}

void ScratchDirTest::TearDown() {
    if (hadTmpdir_) {
        setenv("TMPDIR", oldTmpdir_.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

int ScratchDirTest::BackingFiles() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / "tmp")) {
        if (entry.path().filename().string().rfind("QRVCLASS", 0) == 0) ++count;
    }
    return count;
}

std::string ScratchDirTest::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = Path(name);
    EXPECT_TRUE(WriteFile(path, bytes));
    return path;
}

Pixels PixelsOf(const RasterImage& image) {
    Pixels p{image.width(), image.height(), image.bits() / 8, {}};
    if (!image.empty())
        p.data.assign(image.pixels(), image.pixels() + image.stride() * image.height());
    return p;
}

}  // namespace kv::imageconv::test
