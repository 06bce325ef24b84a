// The Windows calls under FileHandle::openRead and replaceFile, and the clock their waits use. Tests
// put their own in to play the failures a real system gives only now and then (a virus scanner
// holding the file, a replace that stops half-way); everything else calls the system directly.
#pragma once

#include <windows.h>

struct FileCalls {
    decltype(&CreateFileW) createFile = &CreateFileW;
    decltype(&ReplaceFileW) replaceFile = &ReplaceFileW;
    decltype(&MoveFileExW) moveFile = &MoveFileExW;
    decltype(&Sleep) sleep = &Sleep;
    decltype(&GetTickCount64) tickCount = &GetTickCount64;
};

// The calls in use; a test that changes them puts the old ones back.
FileCalls& fileCalls();
