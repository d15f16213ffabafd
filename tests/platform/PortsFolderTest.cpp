// Port numbers to devices through the ports folder, and filling an empty
// folder from the serial devices present.
#include "platform/PortsFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct EnvGuard {
    QByteArray name;
    QByteArray old;
    bool had;
    explicit EnvGuard(const char *n) : name(n), old(qgetenv(n)), had(qEnvironmentVariableIsSet(n)) {}
    ~EnvGuard()
    {
        if (had)
            qputenv(name.constData(), old);
        else
            qunsetenv(name.constData());
    }
};

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(PortsFolder, FolderFromEnvironment)
{
    EnvGuard ports("PORTS_DIR"), xdg("XDG_DATA_HOME");
    qputenv("PORTS_DIR", "/tmp/some/ports/");
    EXPECT_EQ(portsFolder(), QStringLiteral("/tmp/some/ports"));
    EXPECT_EQ(portLinkPath(3), QStringLiteral("/tmp/some/ports/COM3"));
    qunsetenv("PORTS_DIR");
    qputenv("XDG_DATA_HOME", "/tmp/xdg");
    EXPECT_EQ(portsFolder(), QStringLiteral("/tmp/xdg/taron/ports"));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(portsFolder(), QDir::homePath() + QStringLiteral("/.local/share/taron/ports"));
}

TEST(PortsFolder, LinksMapNumbersToDevices)
{
    EnvGuard ports("PORTS_DIR");
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("ports"));
    QDir().mkpath(dir);
    qputenv("PORTS_DIR", QFile::encodeName(dir));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ttyUSB3"), dir + QStringLiteral("/COM12")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/pts/7"), dir + QStringLiteral("/COM2")));
    touch(dir + QStringLiteral("/README"));         // not a port
    touch(dir + QStringLiteral("/COM0"));           // no port 0
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/x"), dir + QStringLiteral("/COMx")));

    EXPECT_EQ(portDevice(12), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(portDevice(2), QStringLiteral("/dev/pts/7"));
    EXPECT_TRUE(portDevice(5).isEmpty());
    const QList<PortEntry> list = listPorts();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].number, 2);
    EXPECT_EQ(list[0].device, QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(list[1].number, 12);
    EXPECT_EQ(portDisplayName(12, list[1].device), QStringLiteral("COM12 (/dev/ttyUSB3)"));
}

TEST(PortsFolder, EmptyFolderIsFilledStableNamesFirst)
{
    QTemporaryDir tmp;
    const QString dev = tmp.filePath(QStringLiteral("dev"));
    const QString sys = tmp.filePath(QStringLiteral("sys"));
    const QString folder = tmp.filePath(QStringLiteral("a/b/ports"));
    touch(dev + QStringLiteral("/ttyUSB0"));
    touch(dev + QStringLiteral("/ttyUSB1"));
    touch(dev + QStringLiteral("/ttyACM0"));
    touch(dev + QStringLiteral("/ttyS0"));
    touch(dev + QStringLiteral("/ttyS1"));   // no driver: not a port
    touch(dev + QStringLiteral("/ttyS10"));
    touch(dev + QStringLiteral("/ttyS2"));
    touch(dev + QStringLiteral("/ttyS3"));  // registered, but no chip found
    QDir().mkpath(dev + QStringLiteral("/serial/by-id"));
    ASSERT_TRUE(QFile::link(dev + QStringLiteral("/ttyUSB1"),
                            dev + QStringLiteral("/serial/by-id/usb-Maker_Cable_0001-if00-port0")));
    for (const char *n : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS2", "ttyS3", "ttyS10"})
        touch(sys + QLatin1Char('/') + QLatin1String(n) + QStringLiteral("/device/driver"));
    for (const auto &[n, type] : {std::pair{"ttyS0", "4\n"}, std::pair{"ttyS3", "0\n"}}) {
        QFile f(sys + QLatin1Char('/') + QLatin1String(n) + QStringLiteral("/type"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(type);
    }

    EXPECT_EQ(fillPortsFolder(folder, dev, sys), 6);
    auto target = [&](int n) { return QFileInfo(folder + QStringLiteral("/COM%1").arg(n)).symLinkTarget(); };
    EXPECT_EQ(target(1), dev + QStringLiteral("/serial/by-id/usb-Maker_Cable_0001-if00-port0"));
    EXPECT_EQ(target(2), dev + QStringLiteral("/ttyUSB0"));  // ttyUSB1 is COM1 already
    EXPECT_EQ(target(3), dev + QStringLiteral("/ttyACM0"));
    EXPECT_EQ(target(4), dev + QStringLiteral("/ttyS0"));
    EXPECT_EQ(target(5), dev + QStringLiteral("/ttyS2"));
    EXPECT_EQ(target(6), dev + QStringLiteral("/ttyS10"));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/COM7")));

    // A folder that has links is left as the user made it.
    QFile::remove(folder + QStringLiteral("/COM2"));
    EXPECT_EQ(fillPortsFolder(folder, dev, sys), 0);
    EXPECT_FALSE(QFileInfo(folder + QStringLiteral("/COM2")).isSymLink());
}
