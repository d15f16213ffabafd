// Keeps the manager's background work step off while a window talks to the
// adapter box directly, and lets it run again as it was.
#pragma once

#include "adapter/Logic.h"

class TWorkPause
{
public:
    TWorkPause()
    {
        if (Logic)
            Logic->PauseWorkThread(FSaved);
    }
    ~TWorkPause()
    {
        if (Logic)
            Logic->ResumeWorkThread(FSaved);
    }
    TWorkPause(const TWorkPause &) = delete;
    TWorkPause &operator=(const TWorkPause &) = delete;

private:
    bool FSaved = false;
};
