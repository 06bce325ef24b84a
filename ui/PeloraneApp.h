// The program's Application: loads the two stores, opens the main dialog, writes the settings at the end.
#pragma once

#include "core/Application.h"

class PeloraneApp : public Application {
public:
    PeloraneApp() = default;
    // Writes the whole settings file, on every run.
    ~PeloraneApp() override;

    // Loads "channels.ini" and "Pelorane.ini" from the executable's folder, prepares the common
    // controls and runs the main dialog; its result is the process exit code (-1: no dialog).
    int run() override;
};
