#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the network hands the modem, read back: messages that came in (SMS-DELIVER), the
// centre's reports on messages sent (SMS-STATUS-REPORT), and messages the SIM keeps to
// send (SMS-SUBMIT). None of it is the program's own making, so no bytes may crash it:
// whatever does not read as a PDU is refused with "Malformed PDU: <what is wrong>".

enum class NumberKind { International, National, Alphanumeric, Other };

// International: "+" then the digits; National (and a number of unknown kind): the
// digits as given; Alphanumeric: the sender's name; Other: the digits of a network's
// own numbering. "*", "#" and "a" to "c" stand for the other semi-octets a number may hold.
struct PduAddress {
    QString text;
    NumberKind kind = NumberKind::Other;
};

// The place of one SMS in a longer message: reference 0 to 65535 (a phone sends 8 or 16
// bits of it), parts counted from 1.
struct PartOf {
    int reference = 0;
    int count = 1;
    int index = 1;
};

struct DeliverPdu {
    QString centreNumber; // "+..." when international
    PduAddress sender;
    // The centre's time stamp with the offset of its zone (Qt::UTC when that is zero);
    // invalid when its digits are no date.
    QDateTime sentAt;
    enum class Coding { Gsm7, EightBit, Ucs2 } coding = Coding::Gsm7;
    // The GSM alphabet as a phone shows it (an escape the extension table lacks gives the
    // basic table's character, or a blank); 8-bit data as upper-case hexadecimal digits;
    // UCS-2 as UTF-16, a lone half of a surrogate pair as U+FFFD.
    QString text;
    std::optional<PartOf> partOf;
};

struct StatusReportPdu {
    QString centreNumber;
    int reference = 0; // the one "+CMGS: <n>" gave the message, 0 to 255
    PduAddress recipient;
    QDateTime centreTime; // when the centre took the message
    QDateTime dischargeTime; // when it was delivered, or failed for good
    int status = 0; // 0 to 255, see reportOutcome
    QString text; // what some centres put in the report's user data; mostly empty
};

struct SubmitPduSeen {
    PduAddress destination;
    int reference = 0;
    DeliverPdu::Coding coding = DeliverPdu::Coding::Gsm7;
    QString text;
    std::optional<PartOf> partOf;
    bool asksReport = false;
};

struct NetworkPdu {
    enum class Kind { Deliver, StatusReport, Submit } kind = Kind::Deliver;
    DeliverPdu deliver;
    StatusReportPdu report;
    SubmitPduSeen submit;
};

// hex: the PDU as the modem gives it after +CMGR:, +CMGL:, +CDS: or +CMT:, starting with
// the message centre information (its length octet, which may be 00), in upper- or
// lower-case hexadecimal. Throws BrivoraError "Malformed PDU: ..." for anything else.
NetworkPdu decodeNetworkPdu(QByteArrayView hex);

// What a report's status says of its message: delivered (0x00-0x1F), still trying
// (0x20-0x3F), failed (0x40-0x7F); the codes above are no centre's to give.
enum class ReportOutcome { Delivered, StillTrying, Failed, Reserved };
ReportOutcome reportOutcome(int status);
// "delivered", "still trying: the phone is busy", "failed: validity period expired" ...
QString reportStatusText(int status);
// The status as it is written for people: "0x46".
QString reportStatusCode(int status);

// One message put together from the SMS it came in.
struct JoinedMessage {
    PduAddress sender;
    QDateTime sentAt; // of its first part
    QString text;
    bool complete = true;
    std::optional<PartOf> partOf; // the reference and count; the index means nothing here
    QList<int> partIndexes; // the positions in the input list that went into it
};

// Parts of one message share their sender, reference and count; they may come in any
// order, a part that came twice counts once, and an SMS that is no part is a message of
// its own. A message with a part missing is not complete: its text joins the parts that
// came, in their order. Messages come in the order their first SMS came.
QList<JoinedMessage> joinParts(const QList<DeliverPdu> &parts);
