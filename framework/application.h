// The framework's application object: one instance per process, a start hook and an exit
// hook around the process's life, and the overridable steps of the message loop (pump one
// message, idle step, idle-message test, pre-translation).
#pragma once

#include <windows.h>

namespace kv::fw {

class Application {
  public:
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    // The single instance (the most recently constructed one still alive).
    static Application* Instance();

    // Start hook: nonzero runs the framework's own loop (Run) before the exit hook.
    virtual int InitInstance() = 0;
    // Exit hook; its answer is the process's exit code.
    virtual int ExitInstance() { return 0; }

    // Retrieves and dispatches one message (after pre-translation); false on WM_QUIT.
    virtual bool PumpMessage();
    // The framework's own idle work for idle count `count`; true while more is wanted.
    virtual bool OnIdle(long count);
    // False for messages that must not restart idle processing (repeated mouse moves at the
    // same point, paint and the system timer).
    virtual bool IsIdleMessage(const MSG& message);
    // Offered each message before dispatch; true consumes it.
    virtual bool PreTranslateMessage(MSG* message);

    // The framework's own loop: idle work while the queue is empty, then pump until WM_QUIT;
    // ends with the exit hook.
    int Run();

    // The message last retrieved by PumpMessage.
    const MSG& CurrentMessage() const { return current_; }

  private:
    MSG current_{};
    POINT lastMousePoint_{-1, -1};
    UINT lastMouseMessage_ = 0;
    Application* previous_ = nullptr;
};

// The framework's main routine: start hook, then either the framework's loop or directly
// the exit hook. Answers the process's exit code.
int RunApplication();

}  // namespace kv::fw
