// Device detector: finds out what answers on the serial port (a controller of
// either generation or one of their bootloaders) with short identification
// probes, and finds the sibling program that serves a device of another
// program family.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>

class TComMultiPort;

// The device kinds the detector can probe for, in probing order.
enum TDetectedDevice : std::uint8_t {
    ddTaron30 = 0,
    ddBootloader30 = 1,
    ddTaron40 = 2,
    ddBootloader40 = 3,
};

constexpr int DetectedDeviceCount = 4;

// A set of TDetectedDevice values.
class TDetectedDevices
{
public:
    constexpr TDetectedDevices() = default;
    constexpr TDetectedDevices(std::initializer_list<TDetectedDevice> devices)
    {
        for (TDetectedDevice d : devices)
            FBits |= bit(d);
    }

    constexpr bool Contains(TDetectedDevice d) const { return (FBits & bit(d)) != 0; }
    constexpr void Include(TDetectedDevice d) { FBits |= bit(d); }
    constexpr void Exclude(TDetectedDevice d) { FBits &= static_cast<std::uint8_t>(~bit(d)); }
    constexpr bool IsEmpty() const { return FBits == 0; }
    constexpr bool operator==(const TDetectedDevices &) const = default;

private:
    static constexpr std::uint8_t bit(TDetectedDevice d)
    {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(d));
    }
    std::uint8_t FBits = 0;
};

class TDetector : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool ClearPort READ ClearPort WRITE SetClearPort)
    Q_PROPERTY(bool UseDevelopmentExeNames READ UseDevelopmentExeNames WRITE
                   SetUseDevelopmentExeNames)

public:
    // "Nothing probed yet": the next step starts with the first enabled kind.
    static constexpr int NoProbe = 4;
    static constexpr int ReplyBufferSize = 32;

    // Starts a program: its executable, its arguments and its working folder.
    // Returns whether it was started.
    using TProgramStarter =
        std::function<bool(const QString &program, const QStringList &arguments,
                           const QString &workingFolder)>;

    explicit TDetector(QObject *owner = nullptr);

    // Published settings.
    bool ClearPort() const { return FClearPort; }
    void SetClearPort(bool value) { FClearPort = value; }
    TDetectedDevices DetectedDevices() const { return FDetectedDevices; }
    void SetDetectedDevices(TDetectedDevices value) { FDetectedDevices = value; }
    bool UseDevelopmentExeNames() const { return FUseDevelopmentExeNames; }
    void SetUseDevelopmentExeNames(bool value) { FUseDevelopmentExeNames = value; }

    // Forgets what was detected; the next step starts with the first enabled kind.
    void Reset();

    // One detection step: probes the next enabled kind after the last one,
    // wrapping round; returns and stores the detected kind (0 = nothing).
    int DetectNext(TComMultiPort *port);
    // Probes every enabled kind from the first, at most once each, and stops
    // at the first one identified.
    int Detect(TComMultiPort *port);

    // 0 to 8; 0 when nothing was identified.
    int GetDetectedKind() const { return FDetectedKind; }
    // 1, 2 or 3; 0 when nothing was identified. Family 2 is this program's.
    int GetExeFamily() const;
    // Version of the detected kind: 1.3, 1.4, 1.5, 3.0, 3.5, 4.0 for the
    // controllers, -3.0 and -4.0 for the bootloaders, 0.0 for nothing.
    int GetVersionMajor() const;
    int GetVersionMinor() const;

    // Whether the last probe got a well-formed reply that echoed its request.
    bool Answered() const { return FAnswered; }
    // Whether a detection step has run since the detector was made.
    bool DetectionRan() const { return FDetectionRan; }
    // The last probed kind (a TDetectedDevice value), NoProbe when none.
    int LastProbe() const { return FLastProbe; }
    // The reply of the last probe attempt (zeroed when it was bad).
    const std::array<std::uint8_t, ReplyBufferSize> &Reply() const { return FReply; }

    // Path of the sibling program that serves a family (0 = the detected
    // device's family): the sorted first executable file in this program's
    // folder whose name matches the family's mask, ignoring case. Empty when
    // there is none, or when it would be this program itself.
    bool FindProgram(int family, QString &path) const;

    // Starts a sibling program found by FindProgram with the argument
    // "/nologo" in its own folder, without a shell.
    bool StartProgram(const QString &path) const;

    // Called while the detector waits between two attempts of a probe, so that
    // a window can keep itself painted during a search. May be empty.
    std::function<void()> OnProgress;

    // The running program's executable, whose folder FindProgram searches
    // (the application's own file unless set).
    QString ProgramFile() const;
    void SetProgramFile(const QString &file) { FProgramFile = file; }

    // Replaces the way programs are started (tests); an empty function
    // restores the default, a detached process.
    static void SetProgramStarter(TProgramStarter starter);

    // Tables of the detected kinds.
    static int ExeFamilyOfKind(int kind);
    static int VersionMajorOfKind(int kind);
    static int VersionMinorOfKind(int kind);

private:
    bool RunProbe(TComMultiPort *port, TDetectedDevice device);
    bool ReadReply(TComMultiPort *port, std::uint8_t header, int length, bool &anything);
    static int KindOfReply(TDetectedDevice device, std::uint8_t code);

    bool FClearPort = false;
    TDetectedDevices FDetectedDevices{ddTaron30, ddBootloader30};
    bool FUseDevelopmentExeNames = false;

    int FDetectedKind = 0;
    int FLastProbe = NoProbe;
    bool FDetectionRan = false;
    bool FAnswered = false;
    std::array<std::uint8_t, ReplyBufferSize> FReply{};
    QString FProgramFile;
};

// The main window's detector, set by whoever creates it (nullptr until then);
// the controller link reads what it found.
extern TDetector *Detector;
