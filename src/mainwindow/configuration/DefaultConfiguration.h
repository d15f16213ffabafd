// The factory configuration of a kind-20/21 device: after the user's OK it
// puts the configuration and model pages into their factory state and writes
// both through their own write actions, resets the level-sensor settings,
// clears the measured map points and the trouble codes and writes a fixed set
// of device variables. The user is told at the end whether the device took
// all of it.
#pragma once

#include "mainwindow/shell/PageControls.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

class TFormMain;

class TDefaultConfiguration : public QObject, public TPageControls
{
    Q_OBJECT

public:
    explicit TDefaultConfiguration(TFormMain &form);

    // One device variable of the fixed set: its id, whether it is written as
    // a 16-bit word (command 0x32) or a byte (0x34), and its value.
    struct TVariable {
        uint16_t Id;
        bool Word;
        uint16_t Value;
    };
    static const std::vector<TVariable> &Variables();

    // Writes the level-sensor dialog's defaults; true when accepted. Wired at
    // start-up; empty skips the step.
    std::function<bool()> WriteLevelSensorDefaults;

    static TDefaultConfiguration *Install(TFormMain &form);

public slots:
    void WriteDefaultConfiguration_145();

private:
    void SetConfigurationControls();
    void SetModelControls();

    TFormMain &FForm;
};
