#include "framework/application.h"

namespace kv::fw {
namespace {
Application* current = nullptr;
constexpr UINT kSystemTimer = 0x0118;
}  // namespace

Application::Application() : previous_(current) {
    current = this;
}

Application::~Application() {
    if (current == this) current = previous_;
}

Application* Application::Instance() {
    return current;
}

bool Application::PumpMessage() {
    if (!GetMessageA(&current_, nullptr, 0, 0)) return false;
    if (!PreTranslateMessage(&current_)) {
        TranslateMessage(&current_);
        DispatchMessageA(&current_);
    }
    return true;
}

bool Application::OnIdle(long) {
    return false;
}

bool Application::IsIdleMessage(const MSG& message) {
    if (message.message == WM_MOUSEMOVE || message.message == WM_NCMOUSEMOVE) {
        bool same = message.message == lastMouseMessage_ && message.pt.x == lastMousePoint_.x &&
                    message.pt.y == lastMousePoint_.y;
        lastMouseMessage_ = message.message;
        lastMousePoint_ = message.pt;
        return !same;
    }
    return message.message != WM_PAINT && message.message != kSystemTimer;
}

bool Application::PreTranslateMessage(MSG*) {
    return false;
}

int Application::Run() {
    bool idle = true;
    long idleCount = 0;
    MSG peek;
    for (;;) {
        while (idle && !PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = false;
        }
        do {
            if (!PumpMessage()) return ExitInstance();
            if (IsIdleMessage(current_)) {
                idle = true;
                idleCount = 0;
            }
        } while (PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

int RunApplication() {
    Application* app = Application::Instance();
    if (!app) return -1;
    if (app->InitInstance()) return app->Run();
    return app->ExitInstance();
}

}  // namespace kv::fw
