#pragma once

#include <QString>

// The test modem (brivora-modemsim) tells the port setup its device through a small
// file: $XDG_RUNTIME_DIR/brivora-modemsim.port, or /tmp/brivora-modemsim-<uid>.port.
namespace SimulatorDevice {

QString portFilePath();
// The device named in that file, when the file exists and names a device that
// exists; otherwise empty.
QString published();

} // namespace SimulatorDevice
