# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    modem/Gsm7.h modem/Gsm7.cpp
    modem/Pdu.h modem/Pdu.cpp
    modem/NetworkPdu.h modem/NetworkPdu.cpp
    modem/SerialLink.h modem/SerialLink.cpp
    modem/PortCatalog.h modem/PortCatalog.cpp
    modem/PortTrouble.h modem/PortTrouble.cpp
    modem/SimulatorDevice.h modem/SimulatorDevice.cpp
    modem/AtLineReader.h modem/AtLineReader.cpp
    modem/ModemHealth.h modem/ModemHealth.cpp
    modem/ModemSession.h modem/ModemSession.cpp
    modem/AtExchange.h modem/AtExchange.cpp)
list(APPEND BRIVORA_GUI_SOURCES
    modem/PortSetupDialog.h modem/PortSetupDialog.cpp
    modem/ComLed.h modem/ComLed.cpp)
