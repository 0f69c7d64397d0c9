#pragma once

#include <QString>
#include <QStringList>

// Lists the serial ports of the machine for the port list of the selection area: the
// entries of <root>/sys/class/tty that have a device behind them (USB serial and ACM ports,
// UARTs whose type is known) and the Bluetooth RFCOMM ports, as /dev paths.
class TSysInfo {
  public:
    explicit TSysInfo(QString root = QStringLiteral("/"));

    // Replaces target's items with the sorted port paths (case-insensitive order), or
    // leaves it untouched when the ports cannot be read.
    void ListSerialPorts(QStringList& target) const;

  private:
    QString root_;
};
