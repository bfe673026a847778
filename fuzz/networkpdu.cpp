// Any bytes, as the PDU a modem hands over: decodeNetworkPdu returns or refuses them as
// malformed, and what it returns can be joined.
#include "modem/NetworkPdu.h"
#include "base/Errors.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // Mostly the octets written out in hexadecimal, so that the fuzzer's changes reach the
    // fields; sometimes the bytes as they come, for the reading of the digits.
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    const QByteArray hex = data[0] < 0x20 ? rest : data[0] & 1 ? rest.toHex().toUpper() : rest.toHex();
    try {
        const NetworkPdu pdu = decodeNetworkPdu(hex);
        if (pdu.kind == NetworkPdu::Kind::Deliver) {
            const QList<JoinedMessage> joined = joinParts({pdu.deliver, pdu.deliver});
            if (joined.isEmpty() || joined.size() > 2)
                std::abort();
        }
        if (pdu.kind == NetworkPdu::Kind::StatusReport)
            (void)reportStatusText(pdu.report.status);
    } catch (const BrivoraError &error) {
        if (!error.text().startsWith(QStringLiteral("Malformed PDU: ")))
            std::abort();
    }
    return 0;
}
