// brivora-pdu <centre number> <destination> <text>: prints the PDU the program would
// hand the modem for that message, and on the next line the length AT+CMGS announces;
// for a message of several SMS, each part's PDU and length in turn. The message is cut as
// an announcement is, or with --whole as a greeting is.
#include "modem/Pdu.h"
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "compose/MessageSplit.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine({
        .program = QStringLiteral("brivora-pdu"),
        .synopsis = QStringLiteral("<centre number> <destination> <text>"),
        .description = QStringLiteral("Prints the SMS-SUBMIT PDU Brivora hands the modem for one message, and on the\n"
                                      "next line the length AT+CMGS announces for it; for a message longer than one\n"
                                      "SMS, the PDU and length of each part of the concatenated message in turn. The\n"
                                      "message goes as an announcement sends it (with the blank its cut adds), or\n"
                                      "with --whole as a greeting does."),
        .example = QStringLiteral("brivora-pdu +60123456789 0198765432 'Hello Ali'"),
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
    if (const auto done = commandLine.process(app.arguments()))
        return *done;
    const QStringList args = commandLine.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
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
