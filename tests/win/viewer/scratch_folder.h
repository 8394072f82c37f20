// Places on disk for the viewer tests: a folder of the test's own under the temporary
// directory, and the built viewer library in Windows path form.
#pragma once

#include <string>

namespace kv::test {

// A fresh folder, removed with everything in it when the object goes.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with a trailing "\".
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The viewer library of this build (Wine's Z: drive shows the build tree).
std::string BuiltViewerLibrary();

// The title the viewer gives its window for a file name.
std::string ViewerTitle(const std::string& fileName);

}  // namespace kv::test
