// The program's Application: loads the two stores, opens the main dialog, writes the settings at the end.
#pragma once

#include "core/Application.h"

class PeloraneApp : public Application {
public:
    PeloraneApp() = default;
    // Writes the settings file when the settings changed; a failure is reported (once per file and run).
    ~PeloraneApp() override;

    // Loads "channels.ini" and "Pelorane.ini" from the executable's folder (telling the user about one
    // that could not be read), acts on the command line and, unless that ended the run (0), runs the
    // main dialog: 1 mailer launched, 2 closed, -1 no dialog.
    int run() override;
};
