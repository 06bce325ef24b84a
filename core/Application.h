// The single process object: where the program lives, its command line and its two stores.
#pragma once

#include <set>
#include <string>

#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"

// The folder part of a path, up to and including the last '\' or '/'; empty when there is none.
std::string directoryOf(const std::string& path);

class ApplicationBase {
public:
    ApplicationBase();
    virtual ~ApplicationBase();
    ApplicationBase(const ApplicationBase&) = delete;
    ApplicationBase& operator=(const ApplicationBase&) = delete;

    // The main routine; its result is the process exit code.
    virtual int run() = 0;

    // Called by the entry function: stores what it was given and finds the executable's folder.
    void start(void* instance, const std::string& commandLine, int showCommand);

    void* instance() const { return instance_; }
    const std::string& commandLine() const { return commandLine_; }
    int showCommand() const { return showCommand_; }
    const std::string& modulePath() const { return modulePath_; }
    const std::string& moduleDirectory() const { return moduleDirectory_; }

    // The one instance, or null before it exists.
    static ApplicationBase* current();

    // True the first time in this run for this file, false after: a failed save is reported once
    // per file and run.
    bool firstSaveFailure(const std::string& path) { return saveFailuresSeen_.insert(path).second; }

protected:
    void* instance_ = nullptr;
    std::string commandLine_;
    int showCommand_ = 0;
    std::string modulePath_;
    std::string moduleDirectory_;
    std::set<std::string> saveFailuresSeen_;
};

// The application with its settings store and channel table.
class Application : public ApplicationBase {
public:
    ConfigStore& config() { return config_; }
    ChannelTable& channels() { return channels_; }

protected:
    ConfigStore config_;
    ChannelTable channels_;
};

// The one Application with its stores, or null before it exists.
Application* theApplication();
