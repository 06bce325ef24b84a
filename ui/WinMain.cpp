// Entry point: makes the Application, hands it the process's arguments and runs the main routine.
#include <windows.h>

#include "platform/Process.h"
#include "ui/PeloraneApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    try {
        // The Application's end (when this block closes) writes the settings file.
        PeloraneApp application;
        // The wide command line, converted to UTF-8: the ANSI one loses characters outside the code page.
        application.start(instance, commandLineText(), showCommand);
        return application.run();
    } catch (...) {
        return -1;
    }
}
