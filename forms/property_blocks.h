// The property blocks that the window, button and timer units keep as their template type
// data: parsed into plain structs with the types' defaults, and written back (always in
// the newest version). An empty block gives the defaults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::forms {

// 0xFF000000 stands for the system's button-face colour.
constexpr uint32_t kSystemButtonFace = 0xFF000000u;

struct WindowProperties {
    int32_t border = 2;  // 0 none .. 6 fixed with sunken edge
    int32_t pictureMode = 1;
    uint32_t backColor = kSystemButtonFace;
    int32_t maxButton = 0;
    int32_t minButton = 1;
    int32_t controlBox = 1;
    int32_t position = 1;  // 0 normal, 1 centred, 2 minimized, 3 maximized
    int32_t movable = 1;
    int32_t playCount = 0;
    int32_t enterMovesFocus = 0;
    int32_t escCloses = 1;
    int32_t f1Help = 0;
    int32_t helpContext = 0;
    int32_t showInTaskbar = 1;     // version 2 on
    int32_t moveByAnyPoint = 0;    // version 3 on
    int32_t shape = 0;             // version 3 on
    int32_t alwaysOnTop = 0;       // version 4 on
    int32_t property30 = 0;        // version 5 on
    std::string className;         // version 6
    std::vector<uint8_t> picture;  // background picture
    std::vector<uint8_t> icon;
    std::vector<uint8_t> sound;
    std::string title;
    std::string helpFile;

    static constexpr uint32_t kNewestVersion = 6;
    // False for a version above 6 or a block that ends early.
    bool Load(const uint8_t* data, size_t length);
    std::vector<uint8_t> Store() const;
};

struct ButtonProperties {
    int32_t type = 0;  // 0 normal, 1 default button
    int32_t horizontalAlign = 1;
    int32_t verticalAlign = 1;
    std::vector<uint8_t> picture;
    std::vector<uint8_t> font;  // a 60-byte font block when set
    std::string caption = "按钮";

    static constexpr uint32_t kNewestVersion = 1;
    bool Load(const uint8_t* data, size_t length);
    std::vector<uint8_t> Store() const;
};

struct TimerProperties {
    int32_t interval = 0;  // milliseconds; 0 or less is stopped

    static constexpr uint32_t kNewestVersion = 1;
    bool Load(const uint8_t* data, size_t length);
    std::vector<uint8_t> Store() const;
};

}  // namespace kv::forms
