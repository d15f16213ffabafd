#pragma once
// The controller link: the controller protocol over the global serial port,
// the connection state, failure counting, the device-kind and version tests,
// and one method per controller command. Answers land in the device
// configuration record.
//
// Frames: a request is C0, the command code, its parameter bytes and the 8-bit
// sum of every byte before it; an answer is D0, one byte that is not
// interpreted, the payload and the 8-bit sum. Every command has a fixed answer
// length. Multi-byte values travel high byte first, except the PIN of the lock
// commands (0x3D, 0x3E), which travels lowest byte first.

#include "core/Kind48Settings.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class TComMultiPort;
class TReadPlan;
struct TDeviceRecord;

class TDataManager
{
public:
    TDataManager();
    ~TDataManager();
    TDataManager(const TDataManager &) = delete;
    TDataManager &operator=(const TDataManager &) = delete;

    // ---- State -----------------------------------------------------------
    bool SecondAttempt = false;   // the repeat of a failed exchange is running
    bool DeviceReread = false;    // a connect re-read the device
    bool VersionSupported = true; // the firmware is one this program fully serves
    bool FailedThisPoll = false;  // a failure was counted in the current poll
    bool LastPollFailed = true;   // result of the last poll
    uint32_t FailureCount = 0;    // polls with a failed exchange since the last clean one
    bool ModulesActive = false;   // last known state of the adapter-module manager
    uint32_t LinkUps = 0;         // times the link came up: tells one link from the next
    bool TroubleCodesPresent = false;
    uint8_t WorkType = 0;         // last work type sent with 0x20

    // Data of commands kept outside the record.
    uint8_t RecordingCount1 = 0;              // points of recording 1 (at most 127)
    uint8_t RecordingCount2 = 0;              // points of recording 2 (at most 127)
    std::array<uint8_t, 12> InjControlBlock{}; // injector control block (0x17 / 0x15)

    // ---- Hooks registered by the program's start-up ------------------------
    // Raised after every connect attempt and every port change.
    std::function<void()> OnConnectionInfo;
    // The adapter-module manager's activity: called with false whenever the
    // connected flag changes from true to false.
    std::function<void(bool)> OnLinkActiveChanged;
    // Resets the main window's device detector (after a lost link).
    std::function<void()> OnResetDetector;
    // Asks the settings object to switch the port to a number (reopens it).
    std::function<void(int)> OnChangePort;
    // Shows the work-type hint ("WorkType: %d") on the main window.
    std::function<void(const QString &)> OnWorkTypeHint;

    // Whether the main window's timer runs (a stopped timer means a window's
    // device operation is in progress); unset: running. The setter stops or
    // restarts it.
    std::function<bool()> IsMainTimerRunning;
    std::function<void(bool)> SetMainTimerRunning;
    // Clears the four state bytes of the configuration wizard logic.
    std::function<void()> OnClearLogicState;
    // The adapter-module manager's active state; unset: there is no manager.
    // Deactivating it goes through OnLinkActiveChanged(false).
    std::function<bool()> IsModuleManagerActive;
    // Lets the modules' application logic re-detect the modules on a port
    // number; unset: there is no such logic.
    std::function<void(int)> OnSyncAfterDetect;
    // The OBD module's adaptation variable; unset: false.
    std::function<bool()> IsAdaptationVariableSet;
    // Shows an information box with an OK button (caption, text).
    std::function<void(const QString &, const QString &)> OnShowInfo;
    // The map page's "sound at the RPM window" check box, and the system beep.
    std::function<bool()> IsRpmSoundChecked;
    std::function<void()> OnBeep;

    // The port used; the global port unless a test or tool set another.
    TComMultiPort *Port() const;
    void SetPort(TComMultiPort *port) { FPort = port; }

    // ---- Link --------------------------------------------------------------
    bool SendAndReceive(const uint8_t *request, int requestLength, uint8_t *answer,
                        int answerLength);
    bool InternalReadDataWithControl(uint8_t *answer, int answerLength, int headerTries,
                                     int &bytesRead);
    bool GetConnected() const { return FConnected; }
    void SetConnected(bool value);
    void LinkFailed(const QString &context, bool resetDetector);
    bool CheckFailure(bool exchangeResult);
    bool IsDeviceNotReady() const;
    bool IsDeviceType(uint8_t kind) const;
    bool IsDeviceVersionAtLeast(uint8_t kind, const QString &letter) const;
    bool IsDeviceVersionBelow(uint8_t kind, const QString &letter) const;
    bool VersionAtLeast(const QString &letter) const;
    bool VersionBelow(const QString &letter) const;
    // Whether the connected device is of kind 48 at the letter from which
    // it holds that part of a settings file (core/Kind48Settings.h).
    bool Kind48Holds(kind48::TFilePart part) const;
    // Whether the connected device is of kind 48 at the letter from which it
    // holds what (core/Kind48Settings.h).
    bool Kind48Holds(kind48::THeld what) const;
    // The kind-48 settings the configuration read takes only from a version
    // letter on (core/Kind48Settings.h): those from `letter`, those the
    // connected device's version leaves out, and whether it takes one
    // (width 8 or 16, id).
    static std::vector<std::pair<int, uint8_t>> Kind48SettingsFrom(char letter);
    std::vector<std::pair<int, uint8_t>> Kind48SettingsNotRead() const;
    bool Kind48ConfigurationReads(int width, uint8_t id) const;
    // Reads those the configuration window shows that the record does not
    // hold from this device since its last configuration read; true when
    // the record holds them all and the link is up.
    bool ReadKind48WindowSettings();
    // The reads of the kind-48 configuration (ReadModelDataD8), and those of
    // the settings the configuration window shows that it leaves out for the
    // connected device's version, added to a plan.
    void AddKind48Configuration(TReadPlan &plan);
    void AddKind48WindowSettings(TReadPlan &plan) const;
    void ChangePort(int port);
    void ReadEmergencyDeviceInfo();

    // ---- Identification, identity and link state ----------------------------
    bool DetectDevice();
    bool ReadIdentity();
    bool ReadPage(uint8_t page);
    bool ReadAllPages();
    uint8_t SendCmd3F();
    bool SendCmd3Fb();
    uint8_t LockDevice(uint32_t code);
    uint8_t UnlockDevice(uint32_t code);

    // ---- Live values ---------------------------------------------------------
    bool ReadDeviceInfo();
    bool ReadCmd0B();
    bool SendCmd22();
    bool ReadStatus21();
    bool ReadStatus21b();
    uint16_t ReadStatus50();
    bool ReadCmd64();
    uint8_t ReadEmulator3A();
    uint16_t ReadInjCounter3B(uint8_t index);

    // ---- Parameters by id ------------------------------------------------------
    uint8_t ReadParameter8(uint8_t id);
    // The same; ok tells whether the device answered.
    uint8_t ReadParameter8(uint8_t id, bool *ok) { return ReadParameter8Checked(id, ok); }
    bool WriteParamByte(uint8_t id, uint8_t value);
    uint16_t ReadParamWord(uint8_t id);
    // The same; ok tells whether the device answered.
    uint16_t ReadParamWord(uint8_t id, bool *ok);
    bool WriteParamWord(uint8_t id, uint16_t value);
    uint16_t ReadValue16(uint8_t index);
    // The same; ok tells whether the device answered.
    uint16_t ReadValue16(uint8_t index, bool *ok);
    uint16_t ReadParameter(uint8_t id);
    uint16_t ReadParameter(uint8_t id, bool *ok);
    bool WriteParameter(uint8_t id);
    uint16_t ReadWord31(uint16_t index);
    bool WriteCmd32(uint16_t a, uint16_t b);
    uint8_t ReadCounter33(uint16_t index);
    bool WriteCounter34(uint16_t index, uint8_t value);
    bool ClearRecord198() { return WriteCounter34(198, 0); }
    bool ClearRecord199() { return WriteCounter34(199, 0); }

    // ---- Configuration blocks ------------------------------------------------
    bool ReadModelDataCmd03();
    bool WriteConfigCmd04(uint16_t rpm, uint8_t t, uint8_t configurationByte, uint8_t mask);
    bool ReadModelDataD8();
    bool WriteModelDataD9();

    // ---- Model, corrections and maps -----------------------------------------
    bool ReadModelFactors();
    bool ReadCorrectionsD0();
    bool WriteCorrectionsD1();
    bool ReadCorrections97();
    bool WriteCorrections98();
    bool ReadCorrectionsD2();
    bool WriteCorrectionsD3();
    bool ReadCorrectionsDB();
    bool WriteCorrectionsDA();
    bool ReadMapD4();
    bool WriteMapD5();
    bool ReadModel2Block();
    bool WriteModel2Block();
    bool ReadMapRowsDC();
    bool ReadMapRowsDD();
    bool WriteMapRowDF();
    bool ClearMapDE(uint8_t n);
    bool ReadCorrections60();
    bool ReadCorrections61(int bank, int half);
    bool WriteCorrections62(int bank, int half);
    bool ReadNozzleTestData();
    bool WriteModelBlockC1();

    // ---- Trouble codes, service data and history -------------------------------
    // Layout of the 16 trouble-code bytes (0x13): byte g - 1 holds the active
    // codes of group g (1..4), byte 8 + g - 1 the stored codes of group g;
    // bit b - 1 of a byte is code b (1..8) of that group. Bytes 4-7 and 12-15
    // are kept as read.
    static constexpr int TroubleActiveByte(int group) { return group - 1; }
    static constexpr int TroubleStoredByte(int group) { return 8 + group - 1; }
    bool ReadTroubleCodes();
    bool ClearTroubleCodes();
    bool ReadTroubleCodesDebug(uint8_t n);
    bool ReadComputerCodes();
    bool WriteLastChangeInfo(uint32_t computerCode, uint32_t packedDateTime);
    bool ReadInfo56();
    bool WriteNextInspection();
    bool SetWorkType(uint8_t type);

    // ---- Level sensor --------------------------------------------------------------
    bool ReadLevelSensor35();
    bool ReadLevelSensor36();
    bool WriteLevelSensor37();
    bool WriteLevelSensor38();

    // ---- Actuators and injector tests ---------------------------------------------
    bool ActuatorTest18(uint8_t n);
    bool ActuatorCmd39(uint8_t n);
    bool StartInjectorTest(uint8_t n);
    bool ReadInjTest90();
    bool ReadInjTest91();
    bool ReadGasInjCorrTable();
    bool WriteGasInjTable();
    bool WriteInjControl();
    bool WriteInjControl15(int row);
    bool ReadInjControl();
    // Injector preset rows 1..19 (the 12 data bytes of a 0x15 request).
    static const std::array<uint8_t, 12> *InjectorPreset(int row);

    // ---- Recordings ------------------------------------------------------------------
    bool ReadRecordD6(uint8_t page, uint16_t (&words)[16]);
    bool ReadRecordD7(uint8_t page, uint16_t (&words)[16]);
    bool ReadRecordingSize();
    bool ReadRecording(double maxPressure);
    bool ReadRecording2(double maxPressure);
    bool SetAdaptationMode(bool on);

    // ---- Live-value polling and connect on demand -----------------------------
    // Group numbers of PollGroup.
    enum : int {
        pgConnect = 0,
        pgLive = 1,
        pgAutoCal = 2,
        pgAutoCal2 = 4,
        pgAdaptBank1 = 5,
        pgAdaptBank2 = 6,
    };
    // Connects when the link is down, then reads the values of a group.
    // True when the poll had no failed exchange.
    bool PollGroup(int group, bool keepPortOpen);
    // Reads what a connection reads of the device: its identity pages, its
    // configuration and the model factors (a locked device answers none).
    void ReadDeviceOnConnect();
    // Clears the device state, switches to a port and connects there.
    void Reconnect(int port, bool keepPortOpen);
    // Brings the adapter modules in line; returns the manager's active state.
    bool SyncModules(bool force);

    // ---- Identity texts and live-value conditions --------------------------------
    QString GetDeviceTypeText(bool withDot) const;
    QString FormatVersion(bool shortForm) const;
    QString FormatSerialNumber();
    // True when the attached controller is one this program does not serve.
    bool CheckDeviceProgram(bool showMessage);
    // Raw switch-over temperature threshold of the attached kind.
    int GetSwitchTempThreshold();
    // RPM window of the idle test for a MapRPMRange selection.
    static void RpmWindowOf(int selection, int &low, int &high);
    // Colour code: 2 inside the window of MapRPMRange with the device ready, else 7.
    int GetRpmWindow();
    int StatePanelGasColor() const;
    int StatePanelPetrolColor() const;
    // Colour codes of the live displays.
    int ColorRpmAbove1200() const;
    int ColorPcolInIdleRange() const;
    int ColorPcolAbove105() const;
    int ColorGasPressureInRange() const;
    int ColorGasPressureAboveLowPT() const;
    int ColorAveragePetrolTime() const;
    int ColorPetrolTimeSpread() const;
    int ColorNoRpmSignal() const;
    int ColorAutoCalRpm() const;
    int ColorReducerBelowSwitchTemp();
    int ColorReducerTempAbove88() const;
    int ColorReducerTempAbove67() const;
    int ColorGasTempAbove195() const;
    int ColorSupplyVoltageLow() const;

private:
    // What a command does with the answer of a failed exchange.
    enum class OnFailure {
        Drop,      // store nothing (configuration, model, maps, ...)
        StoreZero, // live values: store the zeroed answer once CheckFailure allows it
    };
    // Sends C0, command, parameters, sum and reads the answer of the given
    // length into answer. Returns true when the answer is to be stored.
    bool Command(uint8_t command, const std::vector<uint8_t> &parameters,
                 std::vector<uint8_t> &answer, int answerLength,
                 OnFailure onFailure = OnFailure::Drop, bool *exchangeOk = nullptr);
    using Answer = std::vector<uint8_t>;
    // One command of an operation that needs the link ready: store receives
    // the answer when it is to be kept (a good answer, or the zeroed one of a
    // live value under the zero rule). Returns the exchange result.
    bool Exchange(uint8_t command, const std::vector<uint8_t> &parameters, int answerLength,
                  const std::function<void(const Answer &)> &store = {},
                  OnFailure onFailure = OnFailure::Drop);
    // Operations other than identification and the lock commands need the
    // link up and the device unlocked.
    bool Ready() const { return !IsDeviceNotReady(); }
    bool OneExchange(const uint8_t *request, int requestLength, uint8_t *answer,
                     int answerLength, bool &writeFailed);
    void ReleasePortLock();
    void DiscardStaleInput();
    // Reads and drops the answer a device may still owe for a request whose
    // answer did not come in time, waiting for it within the port's timeouts.
    void DiscardOwedAnswer(int answerLength);
    // Bytes the last exchange read of its answer (none: the device was silent).
    int FLastAnswerBytes = 0;
    uint8_t LockCommand(uint8_t command, uint32_t code);
    uint8_t ReadParameter8Checked(uint8_t id, bool *ok);
    // 0x40 read that needs only the link up (used while identifying).
    uint16_t ReadValue16Raw(uint8_t index, bool *ok);
    uint16_t ReadWord31Raw(uint16_t index, bool *ok);
    void ReadParameterList(const std::vector<std::pair<int, uint8_t>> &list);
    bool ReadPoints(uint8_t command, uint8_t page, uint16_t (&words)[16]);
    bool ReadCorrectionBlock(uint8_t command, int8_t *target);
    bool WriteCorrectionBlock(uint8_t command, const int8_t *source);
    bool ReadPointPages(uint8_t command, bool second);
    bool WritePointPages(uint8_t command, bool second);
    bool ReadRows(uint8_t command, bool second);
    void SetInjHWFromIndex28();
    // The kind-48 configuration block (0xD8) into the record.
    bool ReadConfigurationBlockD8();
    void SetInjSWFromMask(uint8_t mask);
    // The base block's fields (0x03 read, 0x04 write, the head of 0xD8), as
    // the device reports them; kind 48 keeps them in its block's layout.
    void StoreBaseBlock(uint8_t t, uint16_t rpm, uint8_t configurationByte, uint8_t mask, bool kind48);
    void StoreLiveMain(const uint8_t *a);
    void StoreLiveExtra(const uint8_t *a);
    void ForceGasTimes();
    bool DecodeRecordingPoint(uint16_t w, double maxPressure, bool second, int &stored);
    void ClearRecordings();
    void ConnectStep(bool keepPortOpen);
    void ReadGroup(int group);
    bool ReadValue16Checked(uint8_t index, uint16_t &value);

    // Notes that the record holds the device's value of a version-gated
    // kind-48 setting.
    void HoldKind48Setting(int width, uint8_t id);

    TComMultiPort *FPort = nullptr;
    bool FConnected = false;
    // The version-gated kind-48 settings (bit i: entry i of the list in
    // core/Kind48Settings.h) read since the last configuration read.
    uint32_t FKind48Held = 0;
};

extern TDataManager *DataManager;
