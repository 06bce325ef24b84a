// The process object and the executable's folder.
#include "core/Application.h"

#include "platform/Process.h"

namespace {
ApplicationBase* currentInstance = nullptr;
}  // namespace

std::string directoryOf(const std::string& path) {
    // Paths are UTF-8 here: no byte of a multi-byte character equals '\' or '/', so a plain
    // scan is exact (a Shift_JIS lead-byte scan would misread UTF-8 and swallow separators).
    const size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

ApplicationBase::ApplicationBase() { currentInstance = this; }

ApplicationBase::~ApplicationBase() {
    if (currentInstance == this) currentInstance = nullptr;
}

ApplicationBase* ApplicationBase::current() { return currentInstance; }

Application* theApplication() { return dynamic_cast<Application*>(ApplicationBase::current()); }

void ApplicationBase::start(void* instance, const std::string& commandLine, int showCommand) {
    instance_ = instance;
    commandLine_ = commandLine;
    showCommand_ = showCommand;
    modulePath_ = ::modulePath();
    moduleDirectory_ = directoryOf(modulePath_);
}
