// Reads a real message box of this process from another thread, then presses one of its
// buttons, so that tests can check what a modal box showed.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

namespace kv::test {

struct MessageBoxSeen {
    bool found = false;
    std::string caption;
    std::string text;
    bool stopIcon = false;     // the icon shown is the system's stop icon
    std::vector<int> buttons;  // identifiers of the visible buttons
    HWND owner = nullptr;
    bool watchedEnabled = true;  // state of the watched window while the box was up
};

class MessageBoxReader {
  public:
    // Waits (up to 10 s) for a message box of this process, reads it and presses `button`.
    // `watched` is a window whose enabled state is recorded while the box is up.
    explicit MessageBoxReader(int button, HWND watched = nullptr);
    ~MessageBoxReader();
    // Joins the reader and answers what it saw.
    MessageBoxSeen Result();

  private:
    void Run(int button, HWND watched);
    std::thread thread_;
    MessageBoxSeen seen_;
};

}  // namespace kv::test
