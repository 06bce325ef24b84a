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

// Start-up check, before anything else opens: a program started from inside a zip runs from a
// temporary folder, where its settings will be lost and an association would point. Says so (OK
// only, no owner) when moduleDirectory (UTF-8) lies in one; the program then goes on.
void warnIfInTemporaryFolder(const std::string& moduleDirectory);
