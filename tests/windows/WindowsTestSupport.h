// Helpers of the window tests: a ports folder of links in a temporary folder,
// the device record restored after a test, and boxes answered without a window.
#pragma once

#include "core/DeviceRecord.h"
#include "core/ui/Common.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

class TempPortsFolder
{
public:
    // Links COM<n> to /dev/ttyTEST<n> for each number.
    explicit TempPortsFolder(const QList<int> &numbers)
        : FOld(qgetenv("PORTS_DIR")), FHadOld(qEnvironmentVariableIsSet("PORTS_DIR"))
    {
        for (int n : numbers)
            QFile::link(QStringLiteral("/dev/ttyTEST%1").arg(n), FDir.filePath(QStringLiteral("COM%1").arg(n)));
        qputenv("PORTS_DIR", FDir.path().toLocal8Bit());
    }
    ~TempPortsFolder()
    {
        if (FHadOld)
            qputenv("PORTS_DIR", FOld);
        else
            qunsetenv("PORTS_DIR");
    }

private:
    QTemporaryDir FDir;
    QByteArray FOld;
    bool FHadOld;
};

class RecordGuard
{
public:
    RecordGuard() : FSaved(DeviceRecord) {}
    ~RecordGuard() { DeviceRecord = FSaved; }

private:
    TDeviceRecord FSaved;
};

// Installs a common-services instance whose boxes are recorded and answered.
class BoxRecorder
{
public:
    explicit BoxRecorder(int answer = 1)
    {
        Common = &FCommon;
        TCommon::SetAnswerProvider([this, answer](const TMessageBoxInfo &box) {
            Boxes << box;
            return answer;
        });
    }
    ~BoxRecorder()
    {
        TCommon::SetAnswerProvider({});
        Common = nullptr;
    }
    QList<TMessageBoxInfo> Boxes;

private:
    TCommon FCommon;
};
