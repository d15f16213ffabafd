// Serial ports by number. Port N is the device that the link "COM<N>" in the
// ports folder points to. The ports folder is $PORTS_DIR when that is set,
// else $XDG_DATA_HOME/taron/ports (default ~/.local/share/taron/ports).
// When the folder holds no COM links it is filled from the serial devices
// present: /dev/serial/by-id/* first, then ttyUSB*, ttyACM* and ttyS* that
// have a driver (leaving out ports whose kernel type is 0, unknown),
// numbered from 1.
#pragma once

#include <QList>
#include <QString>

struct PortEntry {
    int number;      // the N of COM<N>
    QString device;  // the path the link points to
};

// The ports folder (not created).
QString portsFolder();

// Path of the link for port number in the ports folder.
QString portLinkPath(int number);

// Device path that port number stands for: the target of its link (the link
// itself when it is a plain file), or an empty text when there is no link.
// Fills an empty ports folder first.
QString portDevice(int number);

// The ports of the ports folder, by number. Fills an empty folder first.
QList<PortEntry> listPorts();

// How a port is named in messages: "COM<n> (<device>)".
QString portDisplayName(int number, const QString &device);

// Creates folder when missing and, when it holds no COM links, links the
// serial devices found under devRoot (with drivers looked up under
// sysTtyRoot) as COM1, COM2, ... Returns the number of links made.
int fillPortsFolder(const QString &folder, const QString &devRoot = QStringLiteral("/dev"),
                    const QString &sysTtyRoot = QStringLiteral("/sys/class/tty"));
