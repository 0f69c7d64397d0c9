#include "testbench/core/serial_port_lister.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// A platform UART is listed only when the kernel knows its type (0 means none).
bool UartTypeKnown(const QString& entry) {
    QFile type(entry + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly)) return true;
    return type.readAll().trimmed() != "0";
}

bool IsSerialPort(const QDir& ttyClass, const QString& name) {
    if (name.startsWith(QStringLiteral("rfcomm"))) return true;
    const QString entry = ttyClass.filePath(name);
    if (!QFileInfo::exists(entry + QStringLiteral("/device"))) return false;
    return !name.startsWith(QStringLiteral("ttyS")) || UartTypeKnown(entry);
}

}  // namespace

TSysInfo::TSysInfo(QString root) : root_(std::move(root)) {}

void TSysInfo::ListSerialPorts(QStringList& target) const {
    const QDir ttyClass(QDir(root_).filePath(QStringLiteral("sys/class/tty")));
    if (!ttyClass.exists()) return;
    QStringList ports;
    const QStringList names =
        ttyClass.entryList(QDir::Dirs | QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (IsSerialPort(ttyClass, name)) ports << QStringLiteral("/dev/") + name;
    }
    std::sort(ports.begin(), ports.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    target = ports;
}
