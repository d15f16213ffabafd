// The adapter box's OBD-II link as a child module of the adapter: its
// presence and the link state it reports, polled by the manager's work step.
#pragma once

#include "adapter/Module.h"

#include <vector>

class TDeviceState;
class TDevStateOBD;
class TUIState;
class TUIStateOBD;
class TVariable;

class TLogicOBD;

class TModuleOBD : public TBaseModule
{
    Q_OBJECT
public:
    TModuleOBD(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
               TBaseProtocol *protocol, TManager *manager = nullptr);
    ~TModuleOBD() override;

    QString GetName() const override { return QStringLiteral("OBD"); }
    TBaseDevState *GetUIState() const override;
    // Enabled as the box reports an OBD link; when active, the link state,
    // the stored settings, both PID masks and the trouble-code state are read.
    bool Detect() override;
    // By the manager's poll set: the link state (bit 14), the delay-connect
    // counter (15), the link error counters (16), the readings (17) and the
    // trouble-code state (18).
    void WorkStep() override;

    TDevStateOBD *DevState() const { return FDevState; }
    TUIStateOBD *UIStateOBD() const { return FUIState; }
    TLogicOBD *Logic() const { return FLogic; }

    // The commands. Each sends nothing and gives false (0) unless the module
    // is active; a failed exchange stores nothing. A status result is the
    // answer's first data byte; an acceptance is true when that byte is A5.
    // The box's status byte (bit 0: an OBD link is present); sent when the
    // module has no parent or the parent is active.
    int CheckPresence(bool retry);
    bool ReadConfig();
    bool WriteConfig();
    int StartProtocolDetection();
    int StopProtocolDetection();
    int Request75();
    int Connect();
    int Disconnect();
    bool ReadState();
    bool ReadSupportedPids();
    bool ReadAllowedPids();
    int WriteAllowedPids();
    bool ReadReadings();
    bool ReadTroubleCodeState();
    int ClearTroubleCodes();
    int ReadTroubleCodes(quint8 what);
    bool ReadCodeListA();
    bool ReadCodeListB();
    bool ReadFreezeFrameData();
    int Request83(quint8 code);
    bool ReadLambdaSensors(int group);
    bool ReadWidebandSensors(int group);
    bool ReadLiveTable(int entry);
    bool WriteAdaptationTable(int bank, int half);
    bool ResetAdaptationCorrections(int which);

    static constexpr quint32 PollState = 1u << 14;
    static constexpr quint32 PollDelayConnect = 1u << 15;
    static constexpr quint32 PollLinkErrors = 1u << 16;
    static constexpr quint32 PollReadings = 1u << 17;
    static constexpr quint32 PollTroubleCodes = 1u << 18;

private:
    // One exchange of an active module; answer gets length bytes.
    bool Command(const std::vector<std::uint8_t> &body, std::uint8_t *answer, int length);
    int Status(std::uint8_t command, std::uint8_t parameter);
    void Store(TVariable *variable, const std::uint8_t *bytes);
    bool ReadCodeList(std::uint8_t command, bool listA);
    void InstallConversions();
    bool AdaptationRequestsDue() const;

    TDevStateOBD *FDevState;
    TUIStateOBD *FUIState;
    TLogicOBD *FLogic;
};

// The OBD module's logic: the settings and tables written as a whole.
class TLogicOBD : public QObject
{
    Q_OBJECT
public:
    explicit TLogicOBD(TModuleOBD *module);

    // Disconnects a link that is not idle (then waits 100 ms) and writes the
    // settings; true when the box accepted them.
    bool ApplyConnectionSettings();
    // Both banks, each in two halves; stops at the first refusal.
    bool WriteAdaptationTables();
    // The defaults of every OBD setting written to the box (after a question
    // when ask); with tables also the adaptation tables. False when the
    // module is not active, the question was not answered OK, or the box
    // refused a write.
    bool WriteDefaultConfiguration(bool ask, bool withTables);

private:
    TModuleOBD *FModule;
};

extern TModuleOBD *ModuleOBD;
