// The program's entry point.
#include "shell/startup_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argument_text, int) {
    if (!init_instance(instance, argument_text)) {
        return 0;
    }
    return run_message_loop();
}
