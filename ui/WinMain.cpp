// Entry point: makes the Application, hands it the process's arguments and runs the main routine.
#include <windows.h>

#include "platform/Process.h"
#include "platform/Shell.h"
#include "ui/PeloraneApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    try {
        // Before the mailer or the default-apps page can be opened, and left after the last box.
        const ShellApartment apartment;
        // The Application's end (when this block closes) writes the settings file.
        PeloraneApp application;
        // The wide command line, converted to UTF-8: the ANSI one loses characters outside the code page.
        application.start(instance, commandLineText(), showCommand);
        warnIfInTemporaryFolder(application.moduleDirectory());
        return application.run();
    } catch (...) {
        return -1;
    }
}
