#include "core/Detector.h"

#include "core/FrameChecksum.h"

#include "core/ComMultiPort.h"
#include "core/ComponentVersion.h"
#include "core/FileLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>

static ComponentVersionRegistrar reg("Detector", "$Revision: 4921 $",
                                     "$Date: 2026-12-07 05:10:00 +0100 (Mon, 07 Dec 2026) $");

TDetector *Detector = nullptr;

namespace {

// One identification probe: the request (command, parameter, parameter,
// 8-bit sum) and the reply it expects.
struct TProbe {
    std::array<std::uint8_t, 4> Request;
    std::uint8_t Header;
    int Length;
};

constexpr std::array<TProbe, DetectedDeviceCount> Probes{{
    {{0xC0, 0x01, 0x01, 0xC2}, 0xD0, 4}, // ddTaron30
    {{0xBA, 0xE1, 0xE1, 0x7C}, 0xBB, 6}, // ddBootloader30
    {{0xC1, 0x01, 0x01, 0xC3}, 0xD1, 4}, // ddTaron40
    {{0xBC, 0xE1, 0xE1, 0x7E}, 0xBD, 6}, // ddBootloader40
}};

// At most this many single-byte reads while draining the input or waiting
// for a reply header.
constexpr int MaxHeaderReads = 15;
constexpr int AttemptPause = 50; // ms between the two attempts of a probe

// Per detected kind 0..8: program family, version major and minor.
struct TKindInfo {
    int Family;
    int Major;
    int Minor;
};

constexpr std::array<TKindInfo, 9> Kinds{{
    {0, 0, 0},  // nothing identified
    {1, 1, 3},  // first-generation controller, code 0x13
    {2, 1, 4},  // code 0x14, device kind 20
    {2, 1, 5},  // code 0x15, device kind 21
    {2, 3, 0},  // code 0x30, device kind 48
    {3, 3, 5},  // second-generation controller, code 0x35
    {3, 4, 0},  // second-generation controller, code 0x40
    {2, -3, 0}, // bootloader of the first generation
    {3, -4, 0}, // bootloader of the second generation
}};

// Sibling program per family 1..3: file-name mask and the fixed name used by
// development builds.
struct TFamilyProgram {
    const char *Mask;
    const char *DevelopmentName;
};

constexpr std::array<TFamilyProgram, 3> FamilyPrograms{{
    {"*-1.3*", "Vesk"},
    {"*-3.0*", "Taron"},
    {"*-4.0*", "Taron4"},
}};

const TKindInfo &KindInfo(int kind)
{
    return Kinds[(kind >= 0 && kind < static_cast<int>(Kinds.size())) ? kind : 0];
}

TDetector::TProgramStarter &ProgramStarter()
{
    static TDetector::TProgramStarter starter;
    return starter;
}

// Under lsReadDataWithControl the write took the port lock and kept it; the
// protocol layer gives it back once it has judged the answer.
void ReleaseAfterExchange(TComMultiPort *port)
{
    if (port->ThreadSafe() && port->LockingStrategy() == lsReadDataWithControl)
        port->ReleaseLock();
}

bool IsExecutableFile(const QFileInfo &info)
{
    return info.isFile() && info.isExecutable();
}

} // namespace

TDetector::TDetector(QObject *owner) : QObject(owner)
{
    Reset();
    FDetectionRan = false;
}

void TDetector::Reset()
{
    FDetectedKind = 0;
    FLastProbe = NoProbe;
    FAnswered = false;
}

int TDetector::KindOfReply(TDetectedDevice device, std::uint8_t code)
{
    switch (device) {
    case ddTaron30:
        switch (code) {
        case 0x13: return 1;
        case 0x14: return 2;
        case 0x15: return 3;
        case 0x30: return 4;
        default: return 0;
        }
    case ddBootloader30:
        return 7;
    case ddTaron40:
        switch (code) {
        case 0x35: return 5;
        case 0x40: return 6;
        default: return 0;
        }
    case ddBootloader40:
        return 8;
    }
    return 0;
}

int TDetector::DetectNext(TComMultiPort *port)
{
    FDetectionRan = true;
    int result = 0;

    // The next enabled kind after the last probe, wrapping round once.
    int chosen = -1;
    const int start = (FLastProbe >= NoProbe || FLastProbe < 0) ? 0 : FLastProbe + 1;
    for (int i = start; i < DetectedDeviceCount && chosen < 0; ++i)
        if (FDetectedDevices.Contains(static_cast<TDetectedDevice>(i)))
            chosen = i;
    for (int i = 0; i < DetectedDeviceCount && chosen < 0; ++i)
        if (FDetectedDevices.Contains(static_cast<TDetectedDevice>(i)))
            chosen = i;

    if (chosen < 0) {
        FAnswered = false;
    } else {
        FLastProbe = chosen;
        const auto device = static_cast<TDetectedDevice>(chosen);
        if (port && RunProbe(port, device))
            result = KindOfReply(device, FReply[2]);
        else if (!port)
            FAnswered = false;
    }
    FDetectedKind = result;
    return result;
}

int TDetector::Detect(TComMultiPort *port)
{
    FLastProbe = NoProbe;
    int enabled = 0;
    for (int i = 0; i < DetectedDeviceCount; ++i)
        if (FDetectedDevices.Contains(static_cast<TDetectedDevice>(i)))
            ++enabled;
    if (enabled == 0)
        return DetectNext(port);
    for (int i = 0; i < enabled; ++i)
        if (DetectNext(port) != 0)
            break;
    return FDetectedKind;
}

bool TDetector::RunProbe(TComMultiPort *port, TDetectedDevice device)
{
    const TProbe &probe = Probes[device];

    if (FClearPort) {
        for (int i = 0; i < MaxHeaderReads; ++i) {
            std::uint8_t byte = 0;
            int got = 0;
            port->ReadData(&byte, 1, got);
            if (got == 0)
                break;
        }
    }

    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) {
            // Second attempt after a bad reply: pause, letting a window
            // keep itself painted meanwhile.
            QElapsedTimer pause;
            pause.start();
            if (OnProgress)
                OnProgress();
            const qint64 left = AttemptPause - pause.elapsed();
            if (left > 0)
                port->WaitIdle(static_cast<unsigned long>(left));
        }

        int written = 0;
        const bool wrote = port->WriteData(probe.Request.data(), 4, written);
        if (!wrote || written < 4) {
            ReleaseAfterExchange(port);
            FReply.fill(0);
            FAnswered = false;
            return false;
        }

        bool anything = false;
        const bool good = ReadReply(port, probe.Header, probe.Length, anything);
        if (!anything) {
            // Silence (or no header among the bytes that came): the device is
            // not there, a second attempt would only cost the timeouts again.
            FAnswered = false;
            return false;
        }
        if (good) {
            FAnswered = FReply[0] == probe.Header && FReply[1] == probe.Request[1];
            return true;
        }
    }
    // Two bad replies.
    FAnswered = false;
    return false;
}

bool TDetector::ReadReply(TComMultiPort *port, std::uint8_t header, int length, bool &anything)
{
    FReply.fill(0);
    anything = false;
    bool good = false;

    for (int i = 0; i < MaxHeaderReads; ++i) {
        if (port->Debug())
            LogToFile(QStringLiteral("  $$ TDetector.ReadDataUsingCrcQ3 /dv:%1").arg(FLastProbe));
        std::uint8_t byte = 0;
        int got = 0;
        const bool ok = port->ReadData(&byte, 1, got);
        if (!ok || got != 1)
            break;
        if (byte == header) {
            anything = true;
            break;
        }
    }

    if (anything) {
        FReply[0] = header;
        const int rest = length - 1;
        int got = 0;
        const bool ok = port->ReadData(FReply.data() + 1, rest, got);
        if (ok && got == rest) {
            good = FrameChecksum(FReply.data(), std::size_t(length - 1)) == FReply[length - 1];
        }
        if (!good)
            FReply.fill(0);
    }

    ReleaseAfterExchange(port);
    return good;
}

int TDetector::GetExeFamily() const
{
    return KindInfo(FDetectedKind).Family;
}

int TDetector::GetVersionMajor() const
{
    return KindInfo(FDetectedKind).Major;
}

int TDetector::GetVersionMinor() const
{
    return KindInfo(FDetectedKind).Minor;
}

int TDetector::ExeFamilyOfKind(int kind)
{
    return KindInfo(kind).Family;
}

int TDetector::VersionMajorOfKind(int kind)
{
    return KindInfo(kind).Major;
}

int TDetector::VersionMinorOfKind(int kind)
{
    return KindInfo(kind).Minor;
}

QString TDetector::ProgramFile() const
{
    if (!FProgramFile.isEmpty())
        return FProgramFile;
    return QCoreApplication::applicationFilePath();
}

bool TDetector::FindProgram(int family, QString &path) const
{
    path.clear();
    if (family == 0)
        family = GetExeFamily();
    if (family < 1 || family > static_cast<int>(FamilyPrograms.size()))
        return false;
    const TFamilyProgram &program = FamilyPrograms[family - 1];

    const QFileInfo self(ProgramFile());
    const QDir folder = self.absoluteDir();

    // Every executable file whose name matches the mask, whatever the case of
    // its name; the first in name order wins, so the choice does not depend
    // on the order the folder lists its entries in.
    const QRegularExpression whole =
        QRegularExpression::fromWildcard(QString::fromLatin1(program.Mask), Qt::CaseInsensitive);
    QStringList names;
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
    for (const QFileInfo &entry : entries)
        if (IsExecutableFile(entry) && whole.match(entry.fileName()).hasMatch())
            names << entry.fileName();
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    if (!names.isEmpty())
        path = folder.filePath(names.first());

    if (path.isEmpty() && FUseDevelopmentExeNames) {
        path = folder.filePath(QLatin1String(program.DevelopmentName));
        if (!IsExecutableFile(QFileInfo(path)))
            path.clear();
    }

    // The program never names itself.
    if (!path.isEmpty() && QFileInfo(path).fileName().toUpper() == self.fileName().toUpper())
        path.clear();
    return !path.isEmpty();
}

bool TDetector::StartProgram(const QString &path) const
{
    if (path.isEmpty())
        return false;
    const QStringList arguments{QStringLiteral("/nologo")};
    const QString folder = QFileInfo(path).absolutePath();
    if (ProgramStarter())
        return ProgramStarter()(path, arguments, folder);
    return QProcess::startDetached(path, arguments, folder);
}

void TDetector::SetProgramStarter(TProgramStarter starter)
{
    ProgramStarter() = std::move(starter);
}
