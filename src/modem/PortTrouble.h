#pragma once

#include "modem/PortCatalog.h"

#include <QString>

// What stands between the program and a port, in plain words, for the line below the open
// error: an account outside the port's group, ModemManager holding the modem, another
// program holding the port. Empty when nothing is known.
namespace PortTrouble {

constexpr auto NoRightsText = "Your account may not use %1: add it to the group %2 (sudo adduser %3 %2), then log "
                              "out and in again.";
constexpr auto ModemManagerText = "%1 is held by ModemManager (%2): stop it with sudo systemctl stop ModemManager, "
                                  "or let Brivora have the modem: %3";
constexpr auto OtherProgramText = "%1 is used by another program: %2 (pid %3).";

// port: the name as stored or typed, told by its kernel name when it has one; errorCode:
// the system's error number of the failed open, or 0 when the port opened but the modem
// behind it did not answer (then only ModemManager is named). The udev rule offered
// names the USB device's vendor and product ids when the system knows them, the kernel
// name otherwise.
QString causeOf(const PortEntry &port, int errorCode);
QString causeOf(const QString &port, int errorCode);

} // namespace PortTrouble
