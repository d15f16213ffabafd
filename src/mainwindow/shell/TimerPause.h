#pragma once

class TFormMain;

// Keeps the window's main timer stopped while a handler talks to the device
// and restores its state afterwards, once the window has finished its
// creation. Resume() restores it early, where the rest of the handler must
// run with the timer going again; the destructor then does nothing more.
class TTimerPause
{
public:
    explicit TTimerPause(TFormMain &form);
    ~TTimerPause() { Resume(); }
    TTimerPause(const TTimerPause &) = delete;
    TTimerPause &operator=(const TTimerPause &) = delete;

    void Resume();

private:
    TFormMain &FForm;
    bool FWasActive = false;
};
