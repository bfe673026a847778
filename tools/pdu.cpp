// brivora-pdu <centre number> <destination> <text>: prints the PDU the program would
// hand the modem for that message, and on the next line the length AT+CMGS announces;
// for a message of several SMS, each part's PDU and length in turn. The message is cut as
// an announcement is, or with --whole as a greeting is.
// brivora-pdu --decode <pdu>...: prints what PDUs a modem gave say, and puts the parts of
// a long message together again.
#include "modem/Pdu.h"
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "compose/MessageSplit.h"
#include "modem/NetworkPdu.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

QString addressText(const PduAddress &address)
{
    switch (address.kind) {
        case NumberKind::International:
            return address.text + QStringLiteral(" (international)");
        case NumberKind::National:
            return address.text + QStringLiteral(" (national)");
        case NumberKind::Alphanumeric:
            return address.text + QStringLiteral(" (name)");
        case NumberKind::Other:
            break;
    }
    return address.text + QStringLiteral(" (other)");
}

QString centreText(const QString &number)
{
    return number.isEmpty() ? QStringLiteral("(not given)") : number;
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(Qt::ISODate) : QStringLiteral("(no date)");
}

QString codingText(DeliverPdu::Coding coding)
{
    switch (coding) {
        case DeliverPdu::Coding::Gsm7:
            return QStringLiteral("GSM 7-bit");
        case DeliverPdu::Coding::EightBit:
            return QStringLiteral("8-bit data");
        case DeliverPdu::Coding::Ucs2:
            break;
    }
    return QStringLiteral("UCS-2");
}

QString partText(const PartOf &part)
{
    return QStringLiteral("%1 of %2, reference %3").arg(part.index).arg(part.count).arg(part.reference);
}

// One field a line; a text's later lines start under its first.
void field(QTextStream &out, const char *name, const QString &value)
{
    const QString label = QStringLiteral("  %1: ").arg(QLatin1StringView(name));
    out << label << QString(value).replace(u'\n', u'\n' + QString(label.size(), u' ')) << '\n';
}

void printDeliver(QTextStream &out, const DeliverPdu &deliver)
{
    field(out, "centre", centreText(deliver.centreNumber));
    field(out, "sender", addressText(deliver.sender));
    field(out, "sent", timeText(deliver.sentAt));
    field(out, "coding", codingText(deliver.coding));
    if (deliver.partOf)
        field(out, "part", partText(*deliver.partOf));
    field(out, "text", deliver.text);
}

void printReport(QTextStream &out, const StatusReportPdu &report)
{
    field(out, "centre", centreText(report.centreNumber));
    field(out, "reference", QString::number(report.reference));
    field(out, "recipient", addressText(report.recipient));
    field(out, "centre time", timeText(report.centreTime));
    field(out, "discharge time", timeText(report.dischargeTime));
    field(out, "status",
          reportStatusCode(report.status) + u' ' + reportStatusText(report.status));
    if (!report.text.isEmpty())
        field(out, "text", report.text);
}

void printSubmit(QTextStream &out, const SubmitPduSeen &submit)
{
    field(out, "destination", addressText(submit.destination));
    field(out, "reference", QString::number(submit.reference));
    field(out, "report asked", submit.asksReport ? QStringLiteral("yes") : QStringLiteral("no"));
    field(out, "coding", codingText(submit.coding));
    if (submit.partOf)
        field(out, "part", partText(*submit.partOf));
    field(out, "text", submit.text);
}

int decode(const QStringList &hexes, QTextStream &out, QTextStream &err)
{
    QList<NetworkPdu> pdus;
    try {
        for (const QString &hex : hexes)
            pdus << decodeNetworkPdu(hex.toLatin1());
    } catch (const BrivoraError &error) {
        err << "brivora-pdu: " << error.text() << '\n';
        return 1;
    }
    QList<DeliverPdu> delivered;
    QList<int> deliveredAt; // each one's place among the arguments
    for (int i = 0; i < pdus.size(); ++i) {
        const NetworkPdu &pdu = pdus.at(i);
        switch (pdu.kind) {
            case NetworkPdu::Kind::Deliver:
                out << "PDU " << i + 1 << ": deliver\n";
                printDeliver(out, pdu.deliver);
                delivered << pdu.deliver;
                deliveredAt << i + 1;
                break;
            case NetworkPdu::Kind::StatusReport:
                out << "PDU " << i + 1 << ": status report\n";
                printReport(out, pdu.report);
                break;
            case NetworkPdu::Kind::Submit:
                out << "PDU " << i + 1 << ": submit\n";
                printSubmit(out, pdu.submit);
                break;
        }
    }
    // An SMS that is no part was shown whole above.
    for (const JoinedMessage &message : joinParts(delivered)) {
        if (!message.partOf)
            continue;
        QStringList from;
        for (const int position : message.partIndexes)
            from << QString::number(deliveredAt.at(position));
        out << "Message of PDU " << from.join(QStringLiteral(", ")) << '\n';
        field(out, "sender", addressText(message.sender));
        field(out, "sent", timeText(message.sentAt));
        field(out, "parts",
              QStringLiteral("%1 of %2, reference %3%4")
                  .arg(message.partIndexes.size())
                  .arg(message.partOf->count)
                  .arg(message.partOf->reference)
                  .arg(message.complete ? QString() : QStringLiteral(", some missing")));
        field(out, "text", message.text);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine({
        .program = QStringLiteral("brivora-pdu"),
        .synopsis = QStringLiteral("<centre number> <destination> <text>\n"
                                   "       brivora-pdu --decode <pdu>..."),
        .description = QStringLiteral("Prints the SMS-SUBMIT PDU Brivora hands the modem for one message, and on the\n"
                                      "next line the length AT+CMGS announces for it; for a message longer than one\n"
                                      "SMS, the PDU and length of each part of the concatenated message in turn. The\n"
                                      "message goes as an announcement sends it (with the blank its cut adds), or\n"
                                      "with --whole as a greeting does.\n"
                                      "With --decode, prints what each PDU a modem gave says (a message received, a\n"
                                      "status report, a message kept to send), and puts the parts of a long message\n"
                                      "together again."),
        .example = QStringLiteral("brivora-pdu +60123456789 0198765432 'Hello Ali'\n"
                                  "  brivora-pdu --decode 00040DD04279DAFE96870100004250607080900002E834"),
    });
    commandLine.addArgument(QStringLiteral("centre number"),
                            QStringLiteral("The SMS centre's number; empty for the one the phone keeps."));
    commandLine.addArgument(QStringLiteral("destination"), QStringLiteral("The phone number the SMS goes to."));
    commandLine.addArgument(QStringLiteral("text"),
                            QStringLiteral("The message, in the GSM alphabet when it can carry it, else in UCS-2."));
    const QCommandLineOption reference(QStringLiteral("reference"),
                                       QStringLiteral("The reference <n> (0 to 255) of a concatenated message; "
                                                      "random without it."),
                                       QStringLiteral("n"));
    commandLine.parser().addOption(reference);
    const QCommandLineOption whole(QStringLiteral("whole"),
                                   QStringLiteral("As a greeting goes: whole as typed when it fits one SMS."));
    commandLine.parser().addOption(whole);
    const QCommandLineOption decoding(QStringLiteral("decode"),
                                      QStringLiteral("Reads the arguments as PDUs in hexadecimal, as the modem gives "
                                                     "them after +CMGR:, +CMGL:, +CDS: or +CMT:, and prints what "
                                                     "they say."));
    commandLine.parser().addOption(decoding);
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The helper counts the three arguments of a message; --decode takes any number of PDUs.
    QCommandLineParser &parser = commandLine.parser();
    if (parser.parse(app.arguments()) && parser.isSet(decoding) && !parser.isSet(QStringLiteral("help"))
        && !parser.isSet(QStringLiteral("version"))) {
        if (parser.isSet(whole) || parser.isSet(reference))
            return commandLine.wrongArguments(err, QStringLiteral("--decode takes no --whole or --reference"));
        if (parser.positionalArguments().isEmpty())
            return commandLine.wrongArguments(err, QStringLiteral("--decode needs a PDU"));
        return decode(parser.positionalArguments(), out, err);
    }
    if (const auto done = commandLine.process(app.arguments(), out, err))
        return *done;
    const QStringList args = commandLine.arguments();
    try {
        const QString &text = args.at(2);
        const SmsPlan sms = commandLine.parser().isSet(whole) ? planWholeWhenItFits(text) : planSms(text);
        sms.requireSendable();
        bool given = false;
        const int number = commandLine.parser().value(reference).toInt(&given);
        const int shared = sms.parts.size() < 2 ? 0 : given ? number & 0xFF : ConcatenationReferences().take();
        QStringList pdus;
        for (int index = 0; index < sms.parts.size(); ++index)
            pdus << encodeSubmitPdu(args.at(0), args.at(1), sms.part(index, shared));
        for (const QString &pdu : std::as_const(pdus))
            out << pdu << '\n' << commandLength(pdu) << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-pdu: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
